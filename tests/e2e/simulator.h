#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "tests/e2e/hall.h"
#include "tests/support/fakeclient.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>

namespace e2e {

// Eight contestant machines, an examiner and a judge, as the outside programs behave: each logs in
// on the login port and keeps its own port's connection; a machine hands in its picture when the server
// asks ("传输") after a question it has seen, by uploading ht<n>.jpg to the server's FTP server with
// the fixed login in active mode and then sending "over". Every byte that reaches any of them is
// logged with the time on one clock, so order across clients can be checked.
class ContestSimulator final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContestSimulator)

public:
    // How a machine answers "传输".
    enum class HandIn
    {
        Normal,    // upload, then "over"
        Truncated, // upload the first half of the picture only, then "over"
        Late,      // "over" first, the upload only once upload_when holds
        Never,     // no answer at all
    };

    struct Entry
    {
        QString who; // "machine3", "handin3", "examiner", "examiner-port", "judge", "judge-port"
        QByteArray bytes;
        qint64 at_ms = 0;
    };

    // On a LAN hall each machine connects and uploads from its own host.
    explicit ContestSimulator(Hall hall = {}, QObject* parent = nullptr);
    ~ContestSimulator() override;

    // Logs every role in and connects every side port; true when every login was answered.
    bool log_in_all(int timeout_ms = 10000);
    // Machine n's login and hand-in connections close (its program ends), and come back.
    void drop_machine(int n);
    bool bring_back_machine(int n, int timeout_ms = 5000);

    FakeClient& machine(int n) { return *m_machines[n]; }
    FakeClient& handin(int n) { return *m_handins[n]; }
    FakeClient& examiner() { return *m_examiner; }
    FakeClient& examiner_port() { return *m_examiner_port; }
    FakeClient& judge() { return *m_judge; }
    FakeClient& judge_port() { return *m_judge_port; }

    void set_picture(int n, const QByteArray& picture) { m_pictures[n] = picture; }
    const QByteArray& picture(int n) const { return m_pictures[n]; }
    void set_hand_in(int n, HandIn mode, std::function<bool()> upload_when = {})
    {
        m_modes[n] = mode;
        m_upload_when[n] = std::move(upload_when);
    }
    // Times machine n sent "over", and uploads that failed.
    int handed_in(int n) const { return m_handed_in[n]; }
    int failed_uploads() const { return m_failed_uploads; }
    // Uploads that ended, and the longest one from its start to its end.
    int finished_uploads() const { return m_finished_uploads; }
    qint64 slowest_upload_ms() const { return m_slowest_upload_ms; }
    // Every machine that answers has handed in for the question it saw last.
    bool all_handed_in() const;

    // Sends a judge result on the judge port and waits for "结果|结束"; false without the answer.
    bool send_judge_result(const QByteArray& message, int timeout_ms = 5000);

    const std::vector<Entry>& log() const { return m_log; }
    qint64 now_ms() const { return m_clock.elapsed(); }

private:
    std::unique_ptr<FakeClient> make_client(const QString& who);
    bool log_in(FakeClient& client, const QByteArray& role, const QByteArray& reply, int timeout_ms,
                const QString& from_host = {});
    bool log_in_machine(int n, int timeout_ms);
    void on_transfer(int n);
    void upload(int n, const QByteArray& bytes, bool then_over);
    void send_over(int n);
    void upload_once_due(int n);

    Hall m_hall;
    QElapsedTimer m_clock;
    std::array<std::unique_ptr<FakeClient>, 9> m_machines;
    std::array<std::unique_ptr<FakeClient>, 9> m_handins;
    std::unique_ptr<FakeClient> m_examiner, m_examiner_port, m_judge, m_judge_port;
    std::array<QByteArray, 9> m_pictures;
    std::array<HandIn, 9> m_modes{};
    std::array<int, 9> m_handed_in{};
    std::array<int, 9> m_questions_seen{}; // question starts seen on the login link
    std::array<int, 9> m_questions_answered{};
    std::array<bool, 9> m_busy{};
    std::array<std::function<bool()>, 9> m_upload_when;
    int m_failed_uploads = 0;
    int m_finished_uploads = 0;
    qint64 m_slowest_upload_ms = 0;
    std::vector<Entry> m_log;
};

// A JPEG of about 400 x 300 in one strong colour per machine with its number drawn on it, so that a
// screenshot shows which picture sits in which tile.
QByteArray handwriting_picture(int n);
QColor handwriting_colour(int n);

} // namespace e2e
