#pragma once

#include "common/text/bytedata.h"

#include <QImage>
#include <QWidget>

// A picture box: shows the picture whose file bytes were last set, stretched over its whole area
// without keeping proportions. Keeps its own copy of the bytes; empty or undecodable bytes leave it
// blank without a message.
namespace common {

class PictureBox final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureBox)

public:
    explicit PictureBox(QWidget* parent = nullptr);

    void set_picture(const ByteData& data);
    ByteData picture() const { return m_data; }
    // The decoded picture; null while the box is blank.
    const QImage& image() const { return m_image; }

signals:
    // Left double-click at (x, y) in the box; keys: 1 Ctrl, 2 Shift, 4 Alt.
    void doubleClicked(int x, int y, int keys);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    ByteData m_data;
    QImage m_image;
};

// The keys argument of a double-click event: 1 Ctrl, 2 Shift, 4 Alt.
int double_click_keys(Qt::KeyboardModifiers modifiers);

} // namespace common
