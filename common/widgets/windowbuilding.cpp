#include "common/widgets/windowbuilding.h"

#include <QIcon>
#include <QPixmap>

namespace common {

QString numbered_name(const char16_t* kind, int n)
{
    return QString::fromUtf16(kind) + QString::number(n);
}

void set_window_icon(QWidget* window, const ByteData& icon)
{
    QPixmap pixmap;
    pixmap.loadFromData(icon);
    window->setWindowIcon(QIcon(pixmap));
}

} // namespace common
