#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// Accepting on a listening port, with the system's accept in our hands: an accept that fails for
// want of files or memory (or any reason but "nothing waits") pauses the port and tries again every
// kRetryMs, so the port neither spins on the waiting connection nor stays deaf once files are free
// again. The connection meanwhile waits in the system's backlog.
namespace common {

class Acceptor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Acceptor)

public:
    static constexpr int kRetryMs = 250;

    explicit Acceptor(QObject* parent = nullptr);
    ~Acceptor() override;

    // Listens on every IPv4 address at port, closing whatever it listened on before. False, with
    // the system's reason in error_string(), when the port cannot be bound.
    bool listen(quint16 port);
    void close();
    bool is_listening() const { return m_fd >= 0; }
    QString error_string() const { return m_error; }

    // While paused, connections wait in the backlog; resume lets them in again.
    void pause();
    void resume();

    // The next waiting connection's descriptor (non-blocking, close-on-exec), or -1 when none is
    // waiting or the accept failed (the retry is then under way).
    int accept();

signals:
    // Connections are waiting: call accept until it gives -1.
    void connectionWaiting();

private:
    void update_notifier();

    int m_fd = -1;
    quint16 m_port = 0;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_retry;
    bool m_paused = false;
    bool m_failing = false; // since the last accept that worked
    QString m_error;
};

} // namespace common
