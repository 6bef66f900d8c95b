#include "common/widgets/qtoperatordialogs.h"
#include "common/widgets/wavesoundoutput.h"
#include "display/entry.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    common::QtOperatorDialogs dialogs;
    common::WaveSoundOutput sound;
    return display::display_entry(dialogs, sound);
}
