#pragma once

#include "common/text/bytedata.h"

#include <QRect>
#include <QString>
#include <QWidget>

// Building a window from its definition: every control is placed under its own name, which is
// also its objectName so tests and readers find it.
namespace common {

template <typename Control>
Control* place_control(Control* control, const QString& name, QWidget* parent, QRect geometry)
{
    control->setObjectName(name);
    control->setParent(parent);
    control->setGeometry(geometry);
    return control;
}

// The name of a numbered control: a kind word and its number ("图片框" and 3 give "图片框3").
QString numbered_name(const char16_t* kind, int n);

// Sets the window's icon from the bytes of an icon file.
void set_window_icon(QWidget* window, const ByteData& icon);

} // namespace common
