#include "common/widgets/picturebox.h"

#include "common/widgets/picturedecoder.h"

#include <QMouseEvent>
#include <QPainter>

namespace common {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::set_picture(const ByteData& data)
{
    m_data = data;
    m_image = decode_picture(m_data);
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    emit doubleClicked(at.x(), at.y(), double_click_keys(event->modifiers()));
}

int double_click_keys(Qt::KeyboardModifiers modifiers)
{
    int keys = 0;
    if (modifiers & Qt::ControlModifier)
        keys |= 1;
    if (modifiers & Qt::ShiftModifier)
        keys |= 2;
    if (modifiers & Qt::AltModifier)
        keys |= 4;
    return keys;
}

} // namespace common
