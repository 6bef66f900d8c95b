#pragma once

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"

#include <QObject>
#include <QSystemTrayIcon>

class QWidget;

// A window's notification-area icon. Owned by the window (a child object); without a system tray
// it shows nothing and reports nothing.
namespace common {

class TrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIcon)

public:
    explicit TrayIcon(QWidget* window);

    // Adds the icon or replaces the present one; empty or undecodable icon bytes remove it.
    void set_icon(const ByteData& icon, const GbkText& tip);
    bool shown() const { return m_icon != nullptr; }

    // The actions that trayEvent carries.
    static constexpr int kNoAction = 0;
    static constexpr int kLeftClick = 1;
    static constexpr int kDoubleClick = 2;
    static constexpr int kRightClick = 3;

    // The action of a click on the icon; kNoAction for any other activation, which is not reported.
    static int tray_action(QSystemTrayIcon::ActivationReason reason);

signals:
    void trayEvent(int action);

private:
    void remove_icon();

    QSystemTrayIcon* m_icon = nullptr;
};

// The window's tray icon object, made on first use; connect its trayEvent once at start-up.
TrayIcon* tray_icon_of(QWidget* window);
// Adds, replaces (tip included) or, with empty icon bytes, removes the window's notification icon.
void set_tray_icon(QWidget* window, const ByteData& icon, const GbkText& tip = {});

} // namespace common
