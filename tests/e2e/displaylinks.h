#pragma once

#include <QElapsedTimer>
#include <QTimer>

namespace e2e {

// Watches the display program's two links to the server from outside, through the kernel's socket
// tables: whether they stand, and when the picture link was last re-made (the display re-makes it
// every 5 s). A picture request that meets a re-make is lost by design, so a test that checks the
// automatic one times its send clear of the re-make instead of repeating it by hand.
class DisplayLinks final
{
    Q_DISABLE_COPY_MOVE(DisplayLinks)

public:
    static constexpr int kRemakePeriodMs = 5000;

    explicit DisplayLinks(qint64 display_pid);

    bool control_linked() const { return m_control_port != 0; }
    bool picture_linked() const { return m_picture_port != 0; }
    // Waits until a message the server sends lead_ms from now lands half a period away from the
    // picture link's re-makes. False when the picture link does not stand.
    bool wait_to_send_clear_of_remake(int lead_ms);
    // How long before now the picture link was last re-made; -1 when never seen.
    qint64 ms_since_remake() const;

private:
    void poll();

    qint64 m_pid;
    QElapsedTimer m_clock;
    QTimer m_poll;
    quint16 m_control_port = 0;
    quint16 m_picture_port = 0;
    qint64 m_remade_at_ms = -1;
};

// How long after the question is sent the server sends the display its automatic picture request:
// the countdown ticks limit..0 a second apart from a second after the send, then the server waits
// 3 s after the close.
int picture_request_lead_ms(int limit_s);

} // namespace e2e
