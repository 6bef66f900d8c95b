#include <gtest/gtest.h>
#include <signal.h>

#include "common/events/processes.h"
#include "tests/support/cannotrun.h"
#include "tests/support/tempprogramfolder.h"
#include "tests/support/waits.h"

#include <QFile>
#include <QProcess>

using namespace common;

namespace {

bool alive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const char state = line.at(line.lastIndexOf(')') + 2);
    return state != 'Z' && state != 'X';
}

bool make_script(TempProgramFolder& folder, const QString& name, const QByteArray& body)
{
    return folder.write_file(name, "#!/bin/sh\n" + body) &&
           QFile::setPermissions(folder.file_path(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The pid a started script wrote into its pid file in the program folder.
qint64 wait_for_pid(TempProgramFolder& folder, const QString& file)
{
    qint64 pid = 0;
    wait_until([&] {
        pid = folder.read_file(file).trimmed().toLongLong();
        return pid > 0;
    });
    return pid;
}

} // namespace

TEST(Processes, EndsOnlyTheProcessItStartedUnderThatName)
{
    TempProgramFolder folder;
    ASSERT_TRUE(make_script(folder, QStringLiteral("ftpserver.exe"), "echo $$ > ${1:-ours}.pid\nexec sleep 60\n"));
    ASSERT_TRUE(make_script(folder, QStringLiteral("stranger.sh"), "exec sleep 60\n"));

    // A stranger that runs the very same file, started by someone else.
    QProcess stranger;
    stranger.start(folder.file_path(QStringLiteral("ftpserver.exe")), {QStringLiteral("stranger")});
    ASSERT_TRUE(stranger.waitForStarted());
    ASSERT_EQ(wait_for_pid(folder, QStringLiteral("stranger.pid")), stranger.processId());
    QProcess other;
    other.start(folder.file_path(QStringLiteral("stranger.sh")), {});
    ASSERT_TRUE(other.waitForStarted());

    EXPECT_FALSE(terminate_process("ftpserver.exe")) << "nothing started yet";
    EXPECT_TRUE(alive(stranger.processId()));

    shell_execute("open", "ftpserver.exe");
    const qint64 ours = wait_for_pid(folder, QStringLiteral("ours.pid"));
    ASSERT_GT(ours, 0) << "started in the program folder";
    ASSERT_NE(ours, stranger.processId());

    EXPECT_FALSE(terminate_process("stranger.sh"));
    EXPECT_TRUE(terminate_process("FtpServer.EXE"));
    EXPECT_FALSE(alive(ours));
    EXPECT_TRUE(alive(stranger.processId()));
    EXPECT_TRUE(alive(other.processId()));
    EXPECT_FALSE(terminate_process("ftpserver.exe")) << "already ended";

    stranger.kill();
    other.kill();
    stranger.waitForFinished();
    other.waitForFinished();
}

// Our program ended by itself and its process id went to a stranger: nothing is ended then.
TEST(Processes, AnIdFreedByOurEndedProgramIsNotOursAnyMore)
{
    TempProgramFolder folder;
    ASSERT_TRUE(make_script(folder, QStringLiteral("ftpserver.exe"), "echo $$ > ours.pid\nexec sleep 60\n"));
    shell_execute("open", "ftpserver.exe");
    const qint64 ours = wait_for_pid(folder, QStringLiteral("ours.pid"));
    ASSERT_GT(ours, 0);
    ::kill(static_cast<pid_t>(ours), SIGKILL);
    const bool freed = wait_until([&] { return !QFile::exists(QStringLiteral("/proc/%1").arg(ours)); });

    // Root can name the next process id: the stranger is then given ours.
    QProcess stranger;
    for (int attempt = 0; freed && attempt < 20 && stranger.processId() != ours; ++attempt) {
        stranger.kill();
        stranger.waitForFinished();
        QFile next(QStringLiteral("/proc/sys/kernel/ns_last_pid"));
        if (next.open(QIODevice::WriteOnly))
            next.write(QByteArray::number(ours - 1));
        next.close();
        stranger.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        stranger.waitForStarted();
    }

    EXPECT_FALSE(terminate_process("ftpserver.exe")) << "our program had already ended";
    const bool reused = stranger.processId() == ours;
    if (reused) {
        EXPECT_TRUE(alive(ours)) << "the stranger that reuses our id was ended";
    }
    stranger.kill();
    stranger.waitForFinished();
    if (!reused)
        SKIP_OR_FAIL_UNDER_CI("no stranger got our process id (naming the next id needs root), so whether one "
                              "would survive was not seen");
}

TEST(Processes, AProgramThatIgnoresTermIsKilledAfterTheGrace)
{
    TempProgramFolder folder;
    ASSERT_TRUE(make_script(folder, QStringLiteral("stubborn.exe"),
                            "trap '' TERM\necho $$ > stubborn.pid\nwhile :; do sleep 1; done\n"));
    shell_execute("open", "stubborn.exe");
    const qint64 pid = wait_for_pid(folder, QStringLiteral("stubborn.pid"));
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(terminate_process("stubborn.exe"));
    EXPECT_FALSE(alive(pid));
}

TEST(Processes, OnlyOpenStartsAndAMissingFileStartsNothing)
{
    TempProgramFolder folder;
    ASSERT_TRUE(make_script(folder, QStringLiteral("tool.exe"), "echo $$ > tool.pid\nexec sleep 60\n"));
    shell_execute("print", "tool.exe");
    shell_execute("open", "missing.exe");
    EXPECT_FALSE(terminate_process("missing.exe"));
    EXPECT_FALSE(terminate_process("tool.exe"));
    EXPECT_FALSE(folder.exists(QStringLiteral("tool.pid")));
}
