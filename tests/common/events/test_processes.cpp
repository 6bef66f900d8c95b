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
    // Empty when the process was reaped between the open and the read.
    const QByteArray line = stat.readAll();
    const qsizetype state = line.lastIndexOf(')') + 2;
    return state >= 2 && state < line.size() && line.at(state) != 'Z' && line.at(state) != 'X';
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
// In a process-id namespace of its own (tests/support/run-in-pidns.sh) no other process can take
// the id between naming it and starting the stranger, and the runner's shell reaps our program.
TEST(Processes, AnIdFreedByOurEndedProgramIsNotOursAnyMore)
{
    if (qgetenv("ORUVAN_PRIVATE_PIDNS") != "1")
        SKIP_OR_FAIL_UNDER_CI("needs a process-id namespace of its own (root): run it through "
                              "tests/support/run-in-pidns.sh");
    TempProgramFolder folder;
    ASSERT_TRUE(make_script(folder, QStringLiteral("ftpserver.exe"), "echo $$ > ours.pid\nexec sleep 60\n"));
    shell_execute("open", "ftpserver.exe");
    const qint64 ours = wait_for_pid(folder, QStringLiteral("ours.pid"));
    ASSERT_GT(ours, 0);
    ::kill(static_cast<pid_t>(ours), SIGKILL);
    ASSERT_TRUE(wait_until([&] { return !QFile::exists(QStringLiteral("/proc/%1").arg(ours)); }))
        << "our ended program was never reaped";

    // Root names the last id given out: the stranger gets the next one, ours.
    QFile next(QStringLiteral("/proc/sys/kernel/ns_last_pid"));
    ASSERT_TRUE(next.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) << next.errorString().toStdString();
    ASSERT_GT(next.write(QByteArray::number(ours - 1)), 0) << next.errorString().toStdString();
    next.close();
    QProcess stranger;
    stranger.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(stranger.waitForStarted());
    ASSERT_EQ(stranger.processId(), ours);

    EXPECT_FALSE(terminate_process("ftpserver.exe")) << "our program had already ended";
    EXPECT_TRUE(alive(ours)) << "the stranger that reuses our id was ended";
    stranger.kill();
    stranger.waitForFinished();
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
