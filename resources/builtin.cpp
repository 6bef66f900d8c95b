#include "resources/builtin.h"

#include <QFile>
#include <QString>

// rcc data in a static library is only linked in when something refers to it, and its
// registration must run before the first read: this function does both.
static void init_builtin_resources()
{
    Q_INIT_RESOURCE(builtin);
}

namespace resources {

namespace {

common::ByteData load(const char* name)
{
    static const bool registered = (init_builtin_resources(), true);
    (void)registered;
    QFile file(QStringLiteral(":/oruvan/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

} // namespace

common::ByteData program_icon()
{
    static const common::ByteData data = load("program.ico");
    return data;
}

common::ByteData tile_waiting_picture()
{
    static const common::ByteData data = load("tile_waiting.jpg");
    return data;
}

common::ByteData tick_picture()
{
    static const common::ByteData data = load("tick.png");
    return data;
}

common::ByteData cross_picture()
{
    static const common::ByteData data = load("cross.png");
    return data;
}

common::ByteData question_icon_picture()
{
    static const common::ByteData data = load("question_icon.png");
    return data;
}

common::ByteData box_icon_picture()
{
    static const common::ByteData data = load("box_icon.png");
    return data;
}

common::ByteData default_logo_picture()
{
    static const common::ByteData data = load("default_logo.jpg");
    return data;
}

common::ByteData display_background_picture()
{
    static const common::ByteData data = load("display_background.jpg");
    return data;
}

common::ByteData start_sound()
{
    static const common::ByteData data = load("start.wav");
    return data;
}

common::ByteData final_seconds_sound()
{
    static const common::ByteData data = load("final_seconds.wav");
    return data;
}

} // namespace resources
