#include "common/widgets/trayicon.h"

#include "common/text/gbkcodec.h"
#include "common/widgets/picturedecoder.h"

#include <QIcon>
#include <QPixmap>
#include <QWidget>

namespace common {

TrayIcon::TrayIcon(QWidget* window) : QObject(window) {}

int TrayIcon::tray_action(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return kLeftClick;
    case QSystemTrayIcon::DoubleClick:
        return kDoubleClick;
    case QSystemTrayIcon::Context:
        return kRightClick;
    default:
        return kNoAction;
    }
}

void TrayIcon::set_icon(const ByteData& icon, const GbkText& tip)
{
    const QImage image = decode_picture(icon);
    if (image.isNull()) {
        remove_icon();
        return;
    }
    // Without a notification area there is nothing to show and nothing to report.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (m_icon == nullptr) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (const int action = tray_action(reason); action != kNoAction)
                emit trayEvent(action);
        });
    }
    m_icon->setIcon(QIcon(QPixmap::fromImage(image)));
    m_icon->setToolTip(to_qstring(tip));
    m_icon->show();
}

void TrayIcon::remove_icon()
{
    if (m_icon == nullptr)
        return;
    m_icon->hide();
    delete m_icon;
    m_icon = nullptr;
}

TrayIcon* tray_icon_of(QWidget* window)
{
    if (window == nullptr)
        return nullptr;
    if (auto* existing = window->findChild<TrayIcon*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new TrayIcon(window);
}

void set_tray_icon(QWidget* window, const ByteData& icon, const GbkText& tip)
{
    if (TrayIcon* tray = tray_icon_of(window))
        tray->set_icon(icon, tip);
}

} // namespace common
