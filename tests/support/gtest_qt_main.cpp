#include <gtest/gtest.h>

#include <QApplication>

// Every test runs with an application object, so socket, timer and widget tests all work; the
// platform is offscreen unless the environment says otherwise.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
