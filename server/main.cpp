#include "common/widgets/qtoperatordialogs.h"
#include "server/entry.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    common::QtOperatorDialogs dialogs;
    return server::server_entry(dialogs);
}
