#pragma once

#include "common/text/gbktext.h"

#include <QColor>
#include <QString>
#include <QWidget>

// A transparent label: draws only its text, so whatever lies behind it (a picture box, the window)
// shows through. Its font size in points is a property of its own; the display uses big centred texts.
namespace common {

class TransLabel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransLabel)

public:
    explicit TransLabel(QWidget* parent = nullptr);

    GbkText caption() const { return m_caption; }
    void set_caption(const GbkText& caption);

    int font_size() const;
    void set_font_size(int points);

    QColor text_color() const { return m_color; }
    void set_text_color(const QColor& color);

    Qt::Alignment alignment() const { return m_alignment; }
    void set_alignment(Qt::Alignment alignment);

    bool word_wrap() const { return m_word_wrap; }
    void set_word_wrap(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GbkText m_caption;
    QString m_shown;
    QColor m_color = Qt::black;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignTop;
    bool m_word_wrap = true;
};

} // namespace common
