#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "common/events/listensocket.h"
#include "common/events/peerlimit.h"
#include "common/events/timer.h"
#include "common/widgets/controls.h"
#include "protocol/ports.h"
#include "server/globals.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/cannotrun.h"
#include "tests/support/connectioncrowd.h"
#include "tests/support/ports.h"
#include "tests/support/rawpeer.h"
#include "tests/support/waits.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

class Login : public ServerFixture
{
};

namespace {

// This process's limit of open files, soft and hard, for as long as it lives.
class FileLimit final
{
public:
    explicit FileLimit(rlim_t files)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const rlimit limit{files, files};
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~FileLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    Q_DISABLE_COPY_MOVE(FileLimit)

private:
    rlimit m_saved{};
};

// True while this process cannot open one more file.
bool out_of_files()
{
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    return fd < 0 && errno == EMFILE;
}

// The CPU time this process has used, user and system, from /proc/self/stat: opened up front, so
// that it can be read while no file can be opened.
class ProcessCpu final
{
public:
    ProcessCpu() : m_fd(::open("/proc/self/stat", O_RDONLY | O_CLOEXEC)) {}
    ~ProcessCpu() { ::close(m_fd); }
    Q_DISABLE_COPY_MOVE(ProcessCpu)

    double seconds() const
    {
        char text[1024];
        const ssize_t got = ::pread(m_fd, text, sizeof text - 1, 0);
        if (got <= 0)
            return -1;
        text[got] = '\0';
        // utime and stime are the 14th and 15th fields; the name before them may hold spaces.
        const char* after_name = std::strrchr(text, ')');
        unsigned long user = 0;
        unsigned long system = 0;
        if (after_name == nullptr ||
            std::sscanf(after_name + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
            return -1;
        return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

private:
    int m_fd = -1;
};

// Made before any test lowers this process's limit of open files: without CAP_SYS_RESOURCE the
// hard limit does not come back up, and the crowd needs more files than the server may hold.
ConnectionCrowd crowd(wait_until);

} // namespace

TEST_F(Login, MachineNumbersTakeTheirRowAndAreAnswered)
{
    FakeClient& five = login("5");
    EXPECT_EQ(status_of(4), "在线");
    EXPECT_EQ(address_of(4), five.client_address());

    // The role is read as a number: 3abc is machine 3.
    FakeClient& three = login("3abc");
    EXPECT_EQ(address_of(2), three.client_address());
    for (int row : {0, 1, 3, 5, 6, 7, 8, 9, 10}) {
        EXPECT_EQ(status_of(row), "离线") << row;
        EXPECT_EQ(address_of(row), "0.0.0.0") << row;
    }
}

TEST_F(Login, TheThreeWordsTakeTheirRowsAndExtraFieldsAreIgnored)
{
    FakeClient& display = login("显示|x|y");
    FakeClient& examiner = login("考官", "登录|考官成功");
    FakeClient& judge = login("评委", "登录|评委成功");
    EXPECT_EQ(address_of(8), display.client_address());
    EXPECT_EQ(address_of(9), examiner.client_address());
    EXPECT_EQ(address_of(10), judge.client_address());
    for (int row : {8, 9, 10})
        EXPECT_EQ(status_of(row), "在线");
}

TEST_F(Login, OtherRolesAreRefusedWithoutChangingTheList)
{
    for (const QByteArray role : {"0", "9", "-3", "", "显示屏", "考官 "}) {
        FakeClient& client = connect_client(protocol::kLoginPort);
        client.send("登录|" + role + (role.isEmpty() ? "|x" : ""));
        EXPECT_TRUE(client.wait_for("登录|失败")) << role.toStdString();
        EXPECT_EQ(client.received(), "登录|失败");
        EXPECT_TRUE(client.is_connected());
    }
    for (int row = 0; row <= 10; ++row)
        EXPECT_EQ(status_of(row), "离线");
}

TEST_F(Login, MessagesWithoutRoleOrLoginWordAreIgnored)
{
    FakeClient& client = connect_client(protocol::kLoginPort);
    for (const QByteArray message : {"登录|", "登录", "登陆|1", "|登录|1", "over"}) {
        client.send(message);
        settle_ms(150, "an answer to a malformed login would have come");
    }
    EXPECT_TRUE(client.received().isEmpty());
    EXPECT_TRUE(client.is_connected());
    EXPECT_EQ(status_of(0), "离线");
}

TEST_F(Login, ASecondLoginMovesTheRowAndTheOldPeerGetsNothingMore)
{
    FakeClient& first = login("3");
    FakeClient& second = login("3");
    EXPECT_EQ(address_of(2), second.client_address());
    EXPECT_NE(first.client_address(), second.client_address());

    window->send_to_row(2, "比赛|结束|0");
    EXPECT_TRUE(second.wait_for("比赛|结束|0"));
    settle_ms(300, "a copy to the replaced connection would have come");
    EXPECT_TRUE(first.received().isEmpty());
    EXPECT_TRUE(first.is_connected());
}

TEST_F(Login, AClosedLoginConnectionLeavesTheRowOnline)
{
    FakeClient& judge = login("评委", "登录|评委成功");
    const QByteArray address = judge.client_address();
    judge.close();
    settle_ms(300, "a close that changed the row would have been handled");
    EXPECT_EQ(status_of(10), "在线");
    EXPECT_EQ(address_of(10), address);
}

TEST_F(Login, AllExitSendsTheCountdownDisconnectsResetsAndAsksForHandIn)
{
    FakeClient& machine = login("1");
    FakeClient& display = login("显示");
    FakeClient& judge = login("评委", "登录|评委成功");
    FakeClient& handIn = connect_client(protocol::hand_in_port(4));
    ASSERT_TRUE(handIn.wait_for("传输"));
    handIn.clear_received();
    FakeClient& picture = connect_client(protocol::kScreenPort);

    server::countdown = 17;
    window->时钟[1]->set_interval_ms(1000);
    window->on_all_exit();

    for (FakeClient* client : {&machine, &display, &judge}) {
        EXPECT_TRUE(client->wait_closed());
        EXPECT_EQ(client->received(), "退出|结束|17");
    }
    for (int row = 0; row <= 10; ++row) {
        EXPECT_EQ(status_of(row), "离线");
        EXPECT_EQ(address_of(row), "0.0.0.0");
    }
    EXPECT_EQ(window->时钟[1]->interval_ms(), 0);
    EXPECT_EQ(server::countdown, 17);
    EXPECT_EQ(common::caption(window->标签[2]), "00");
    EXPECT_TRUE(handIn.wait_for("传输"));
    // Only the login port is closed: hand-in and picture links stay.
    settle_ms(300, "a close of the other links would have come");
    EXPECT_TRUE(handIn.is_connected());
    EXPECT_TRUE(picture.is_connected());

    // A second exit-all has nobody to reach on the login port but asks for the hand-in again.
    handIn.clear_received();
    window->on_all_exit();
    EXPECT_TRUE(handIn.wait_for("传输"));
}

TEST_F(Login, EveryRowIsSentExitBeforeItsConnectionCloses)
{
    FakeClient& machine = login("8");
    window->on_all_exit();
    ASSERT_TRUE(machine.wait_closed());
    ASSERT_EQ(machine.arrivals().size(), 1u);
    EXPECT_EQ(machine.arrivals()[0].bytes, "退出|结束|0");
}

// A peer whose last bytes the server never read still gets the exit message whole, then the end
// of the stream: a close with unread input would answer with a reset that can discard it.
TEST_F(Login, AllExitReachesAPeerThatHadSentUnreadBytes)
{
    RawPeer display;
    ASSERT_TRUE(display.connect_to(protocol::kLoginPort));
    ASSERT_TRUE(display.send("登录|显示"));
    ASSERT_TRUE(wait_until([&] { return status_of(8) == "在线"; }));
    ASSERT_TRUE(wait_until([&] {
        display.wait_end(10);
        return display.received() == "登录|成功";
    }));
    ASSERT_TRUE(display.send("登录|显示"));
    window->按钮[5]->click();
    EXPECT_EQ(display.wait_end(), RawPeer::End::EndOfStream);
    EXPECT_EQ(display.received(), "登录|成功退出|结束|0");
}

// One address holding more connections than it may, with the server under a desktop session's
// 1,024 open files: its extra connections are closed and a machine at another address is answered
// at once.
TEST_F(Login, OneAddressHoldingTooManyConnectionsLocksNobodyOut)
{
    const FileLimit limit(1024);
    constexpr int kHogHost = 100; // an address no other peer uses
    constexpr int kHogConnections = 1100;
    ASSERT_TRUE(crowd.running());
    ASSERT_EQ(crowd.open(protocol::kLoginPort, kHogHost, 1, kHogConnections), kHogConnections);
    EXPECT_TRUE(wait_until([&] { return crowd.still_open() <= common::kMaxConnectionsPerPeer; }));

    FakeClient other;
    ASSERT_TRUE(other.socket().bind(QHostAddress(QStringLiteral("127.0.0.2"))));
    ASSERT_TRUE(other.connect_to(protocol::kLoginPort));
    ASSERT_TRUE(other.send("登录|6"));
    EXPECT_TRUE(other.wait_for("登录|成功", 1000));
    EXPECT_EQ(address_of(5), other.client_address());
    EXPECT_EQ(crowd.still_open(), common::kMaxConnectionsPerPeer);
    crowd.close_all();
}

// The display connects; then peers at eleven addresses take the server's 1,024 files through its
// picture port, and every other port is tried once meanwhile. While the files are gone the server
// idles; once they are back every port answers its word again, the ones that had never accepted
// included.
TEST_F(Login, EveryPortAnswersAgainOnceFilesAreBackAndNoneSpinsMeanwhile)
{
    constexpr int kHosts = 11;
    ASSERT_TRUE(crowd.running());
    if (crowd.capacity() < kHosts * common::kMaxConnectionsPerPeer + protocol::kJudgePort - protocol::kLoginPort)
        SKIP_OR_FAIL_UNDER_CI("the peers' process may not open enough files to exhaust the server's");
    const ProcessCpu cpu;
    const FileLimit limit(1024);
    // A port that has accepted and found nothing more waiting fails its later accepts differently.
    const FakeClient& display = connect_client(protocol::kScreenPort);
    ASSERT_TRUE(wait_server_has_peer(protocol::kScreenPort, display.client_address()));
    ASSERT_EQ(crowd.open(protocol::kScreenPort, 1, kHosts, common::kMaxConnectionsPerPeer),
              kHosts * common::kMaxConnectionsPerPeer);
    ASSERT_TRUE(wait_until(out_of_files));
    for (int port = protocol::kLoginPort; port <= protocol::kJudgePort; ++port)
        if (port != protocol::kScreenPort) {
            ASSERT_EQ(crowd.open(port, kHosts + 1, 1, 1), 1) << port;
        }

    const double cpu_before = cpu.seconds();
    QElapsedTimer clock;
    clock.start();
    settle_ms(2000, "a listener retrying without pause would have burnt its CPU");
    const double cpu_per_second = (cpu.seconds() - cpu_before) * 1000.0 / static_cast<double>(clock.elapsed());
    ASSERT_TRUE(out_of_files());
    EXPECT_LT(cpu_per_second, 0.3);

    ASSERT_GT(crowd.close_all(), kHosts * common::kMaxConnectionsPerPeer);
    ASSERT_TRUE(wait_until([] { return !out_of_files(); }, 10000));
    FakeClient& machine = connect_client(protocol::kLoginPort);
    machine.send("登录|1");
    std::vector<FakeClient*> hand_ins;
    for (int n = 1; n <= protocol::kMachineCount; ++n)
        hand_ins.push_back(&connect_client(protocol::hand_in_port(n)));
    FakeClient& screen = connect_client(protocol::kScreenPort);
    FakeClient& examiner = connect_client(protocol::kExaminerPort);
    examiner.send("考官|比赛开始");
    FakeClient& judge = connect_client(protocol::kJudgePort);

    EXPECT_TRUE(machine.wait_for("登录|成功"));
    for (int n = 1; n <= protocol::kMachineCount; ++n)
        EXPECT_TRUE(hand_ins[n - 1]->wait_for("传输")) << "machine " << n;
    EXPECT_TRUE(examiner.wait_for("考官|计时开始"));
    window->按钮[12]->click();
    EXPECT_TRUE(wait_until([&] { return server::screen_client == screen.client_address().toStdString(); }));
    const QByteArray result = "结果|评委|正确|错误|正确|对";
    judge.send(result);
    EXPECT_TRUE(judge.wait_for("结果|结束"));
    EXPECT_TRUE(screen.wait_for(result));
}

// A machine resets while four of its logins are still being handled and logs in again at once from
// the same address and port: its close waits behind them, and the answer must reach the live
// connection, not the dead one of the same address.
TEST_F(Login, AReconnectFromTheAddressOfADeadConnectionIsAnswered)
{
    const QByteArray answer = "登录|成功";
    std::atomic<bool> done{false};
    int held = 0;
    QByteArray reconnected;
    std::thread peer([&] {
        RawPeer dead;
        if (dead.connect_reusing(protocol::kLoginPort)) {
            // Each answer comes before the login's pause: the next one nests inside it.
            for (int k = 1; k <= common::kMaxConnectionDepth; ++k)
                if (dead.send("登录|" + QByteArray::number(k)) && dead.receive(k * answer.size(), 2000))
                    held = k;
            dead.send("登录|5");
            const quint16 port = dead.local_port();
            dead.reset();
            RawPeer live;
            if (live.connect_reusing(protocol::kLoginPort, port) && live.send("登录|6"))
                live.receive(answer.size(), 3000);
            reconnected = live.received();
        }
        done = true;
    });
    const bool finished = wait_until([&] { return done.load(); }, 10000);
    peer.join();
    ASSERT_TRUE(finished);
    ASSERT_EQ(held, common::kMaxConnectionDepth);
    EXPECT_EQ(reconnected, answer);
}
