#include <gtest/gtest.h>

#include "common/widgets/picturebox.h"
#include "display/entry.h"
#include "display/globals.h"
#include "display/window/displaywindow.h"
#include "protocol/ports.h"
#include "tests/display/display_harness.h"
#include "tests/support/waits.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

display::DisplayWindow* running_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<display::DisplayWindow*>(widget))
            return window;
    return nullptr;
}

// The whole start-up in this process: laid out at design size after the created handler, and the
// exit icon ends the program normally, releasing the stored address.
TEST(DisplayProgram, StartsLaidOutAndTheExitIconEndsIt)
{
    ScriptedDialogs dialogs;
    CountingSound sound;
    bool seen = false;
    QTimer::singleShot(300, [&] {
        display::DisplayWindow* window = running_window();
        if (!window) {
            QCoreApplication::exit(1);
            return;
        }
        seen = window->isVisible() && window->图片框[1]->size() == QSize(425, 290) &&
               window->图片框[5]->size() == QSize(890, 640) && !window->正误[1]->isVisibleTo(window->图片框[1]);
        display::server_address = "192.0.2.1";
        QTest::mouseDClick(window->图片框[6], Qt::LeftButton);
    });
    EXPECT_EQ(display::display_entry(dialogs, sound), 0);
    EXPECT_TRUE(seen);
    EXPECT_EQ(display::server_address, "");
    EXPECT_EQ(running_window(), nullptr);
}

// The real program in a program folder of its own, started from elsewhere: it finds its ip.txt
// there and logs in 5 seconds after start.
TEST(DisplayProgram, RealProgramLogsInFromItsOwnFolder)
{
    const QString built = qEnvironmentVariable("ORUVAN_BUILD_DIR") + QStringLiteral("/OruvanScreen/OruvanScreen");
    ASSERT_TRUE(QFile::exists(built)) << built.toStdString();
    QTemporaryDir folder;
    const QString program = QDir(folder.path()).filePath(QStringLiteral("OruvanScreen"));
    ASSERT_TRUE(QFile::copy(built, program));
    QFile ip(QDir(folder.path()).filePath(QStringLiteral("ip.txt")));
    ASSERT_TRUE(ip.open(QIODevice::WriteOnly));
    ip.write("127.0.0.1");
    ip.close();

    FakeServerPort control(protocol::kLoginPort);
    QProcess process;
    process.setWorkingDirectory(QDir::tempPath());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {});
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(control.wait_for_peers(1, 9000)) << process.readAll().toStdString();
    EXPECT_GE(control.peers()[0].connected_ms, 4500);
    ASSERT_TRUE(wait_until([&] { return control.peers()[0].received == "登录|显示"; }));

    // Whatever the server sends, the program keeps running.
    ASSERT_TRUE(control.send_to_newest("登录|成功"));
    ASSERT_TRUE(control.send_to_newest(QByteArray(70000, '|')));
    settle_ms(500, "an end of the program over the bytes would show by now");
    EXPECT_EQ(process.state(), QProcess::Running);
    process.terminate();
    EXPECT_TRUE(process.waitForFinished(5000));
}

} // namespace
