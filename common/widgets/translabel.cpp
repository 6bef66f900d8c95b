#include "common/widgets/translabel.h"

#include "common/text/gbkcodec.h"

#include <QPainter>

namespace common {

TransLabel::TransLabel(QWidget* parent) : QWidget(parent)
{
    // Nothing of its own is painted but the text: the parent's drawing shows through.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TransLabel::set_caption(const GbkText& caption)
{
    m_caption = caption;
    m_shown = to_qstring(caption);
    update();
}

int TransLabel::font_size() const
{
    return font().pointSize();
}

void TransLabel::set_font_size(int points)
{
    if (points <= 0)
        return;
    QFont f = font();
    f.setPointSize(points);
    setFont(f);
    update();
}

void TransLabel::set_text_color(const QColor& color)
{
    m_color = color;
    update();
}

void TransLabel::set_alignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void TransLabel::set_word_wrap(bool on)
{
    m_word_wrap = on;
    update();
}

void TransLabel::paintEvent(QPaintEvent*)
{
    if (m_shown.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(m_color);
    painter.setFont(font());
    const int flags = static_cast<int>(m_alignment) | (m_word_wrap ? Qt::TextWordWrap : 0);
    painter.drawText(rect(), flags, m_shown);
}

} // namespace common
