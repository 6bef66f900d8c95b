#include <gtest/gtest.h>

#include "common/events/program.h"

#include <QApplication>

// Every test runs with an application object, so socket, timer and widget tests all work; the
// platform is offscreen unless the environment says otherwise. A program that exits returns to the
// test instead of ending the test process.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    common::set_process_end([](int) {});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
