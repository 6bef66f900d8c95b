#include <chrono>
#include <thread>

#include <gtest/gtest.h>
#include <sys/socket.h>

#include "common/events/timer.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/picturedecoder.h"
#include "common/widgets/translabel.h"
#include "protocol/messages.h"
#include "resources/builtin.h"
#include "tests/display/linked_display.h"
#include "tests/support/ftpserverprocess.h"
#include "tests/support/waits.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

namespace {

QByteArray bytes(const common::GbkText& text)
{
    return QByteArray::fromStdString(text);
}

// The server machine's program folder, served by the real outside FTP server on its port.
class ServerFolder
{
public:
    bool put(const QString& name, const QByteArray& content) const
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    QTemporaryDir m_dir;
};

class FtpFetch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(d.linked);
        for (int n = 1; n <= 4; ++n)
            pictures[n] = handwriting_jpeg(n, QColor::fromHsv(n * 80, 220, 160));
    }

    common::PictureBox* box(int n) { return d.h.window->图片框[n]; }
    common::PictureBox* mark(int n) { return d.h.window->正误[n]; }
    QByteArray local(int n) { return d.h.folder.read_file(QStringLiteral("htt%1.jpg").arg(n)); }

    ServerFolder server;
    LinkedDisplay d;
    QByteArray pictures[5];
};

TEST_F(FtpFetch, ShowPicturesFetchesAndShowsTheFourPictures)
{
    for (int n = 1; n <= 8; ++n)
        ASSERT_TRUE(server.put(QStringLiteral("ht%1.jpg").arg(n), pictures[(n - 1) % 4 + 1]));
    FtpServerProcess ftp(server.m_dir.path());
    ASSERT_TRUE(ftp.started()) << ftp.output().toStdString();

    ASSERT_TRUE(d.photo(bytes(protocol::kShowPictures)));
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(local(n), pictures[n]) << n;
        EXPECT_EQ(box(n)->picture(), pictures[n]);
        EXPECT_FALSE(box(n)->image().isNull());
        EXPECT_TRUE(box(n)->isVisible());
    }
    EXPECT_FALSE(d.h.folder.exists(QStringLiteral("htt5.jpg")));
    EXPECT_FALSE(d.h.window->透明标签[1]->isVisible());
    EXPECT_FALSE(d.h.window->透明标签[2]->isVisible());
    EXPECT_FALSE(box(5)->isVisible());
    EXPECT_EQ(d.h.window->时钟[1]->interval_ms(), 5000);

    // Only exactly "正确" is right: another word, an empty field or a trailing blank is wrong.
    ASSERT_TRUE(d.photo(bytes(protocol::judge_result("正确", "错误", "", "正确 "))));
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(mark(n)->isVisible()) << n;
    EXPECT_EQ(mark(1)->picture(), resources::tick_picture());
    for (int n = 2; n <= 4; ++n)
        EXPECT_EQ(mark(n)->picture(), resources::cross_picture()) << n;
    ASSERT_TRUE(d.photo(bytes(protocol::judge_result("正确", "错误", "正确", "正确"))));
    save_screenshot(d.h.window.get(), QStringLiteral("display-picture-grid-marks"));

    // A judge result cut short marks the missing pictures wrong.
    ASSERT_TRUE(d.photo("结果|评委|正确"));
    EXPECT_EQ(mark(1)->picture(), resources::tick_picture());
    EXPECT_EQ(mark(4)->picture(), resources::cross_picture());

    // Field 0 "结果" with another field 1: the link is held, no mark changes.
    ASSERT_TRUE(d.photo("结果|考官|错误|错误|错误|错误"));
    EXPECT_EQ(mark(1)->picture(), resources::tick_picture());
    EXPECT_EQ(d.h.window->时钟[1]->interval_ms(), 0);

    // The next control message returns to the label view.
    ASSERT_TRUE(d.control(bytes(protocol::kLoginSucceeded)));
    for (int n = 1; n <= 4; ++n)
        EXPECT_FALSE(box(n)->isVisible());
    EXPECT_TRUE(d.h.window->透明标签[1]->isVisible());
}

TEST_F(FtpFetch, AMissingPictureLeavesItsBoxBlank)
{
    for (int n : {1, 3, 4})
        ASSERT_TRUE(server.put(QStringLiteral("ht%1.jpg").arg(n), pictures[n]));
    FtpServerProcess ftp(server.m_dir.path());
    ASSERT_TRUE(ftp.started()) << ftp.output().toStdString();

    ASSERT_TRUE(d.photo(bytes(protocol::kShowPictures)));
    EXPECT_TRUE(box(2)->image().isNull());
    EXPECT_FALSE(d.h.folder.exists(QStringLiteral("htt2.jpg")));
    for (int n : {1, 3, 4})
        EXPECT_EQ(box(n)->picture(), pictures[n]) << n;

    // A new question deletes the copies: a later fetch that gets nothing shows nothing old.
    protocol::QuestionFields next_question;
    next_question.time_limit = "30";
    next_question.question = "q";
    ASSERT_TRUE(d.control(bytes(protocol::question_start(next_question))));
    ASSERT_TRUE(ftp.stop());
    ASSERT_TRUE(d.photo(bytes(protocol::kShowPictures)));
    for (int n = 1; n <= 4; ++n) {
        EXPECT_TRUE(box(n)->image().isNull()) << n;
        EXPECT_TRUE(box(n)->isVisible());
    }
}

// A picture still being written when it is fetched shows what has arrived of it.
TEST_F(FtpFetch, APictureWithoutItsEndShowsWhatItHolds)
{
    const QByteArray whole = pictures[1];
    ASSERT_TRUE(whole.endsWith("\xFF\xD9"));
    ASSERT_TRUE(server.put(QStringLiteral("ht1.jpg"), whole.left(whole.size() - 2)));
    ASSERT_TRUE(server.put(QStringLiteral("ht2.jpg"), whole.left(whole.size() / 2)));
    FtpServerProcess ftp(server.m_dir.path());
    ASSERT_TRUE(ftp.started()) << ftp.output().toStdString();

    ASSERT_TRUE(d.photo(bytes(protocol::kShowPictures)));
    const QImage expected = common::decode_picture(whole);
    ASSERT_FALSE(expected.isNull());
    EXPECT_EQ(box(1)->image(), expected);
    const QImage half = box(2)->image();
    ASSERT_EQ(half.size(), expected.size());
    for (int y = 0; y < 16; ++y)
        ASSERT_EQ(half.copy(0, y, half.width(), 1), expected.copy(0, y, expected.width(), 1)) << "row " << y;
}

TEST_F(FtpFetch, ShowPicturesAndJudgeResultReadAsOneDoNothing)
{
    ASSERT_TRUE(d.photo(bytes(protocol::kShowPictures + protocol::judge_result("正确", "正确", "正确", "正确"))));
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(mark(n)->isVisibleTo(box(n)));
        EXPECT_EQ(box(n)->picture(), resources::tile_waiting_picture());
    }
    EXPECT_EQ(d.h.window->时钟[1]->interval_ms(), 5000);
    EXPECT_TRUE(d.h.folder.file_names() == QStringList{QStringLiteral("ip.txt")});
}

TEST_F(FtpFetch, DisplayWaitFetchesTheLogo)
{
    const QByteArray logo = handwriting_jpeg(0, Qt::darkRed, 648, 360);
    ASSERT_TRUE(server.put(QStringLiteral("logo.jpg"), logo));
    FtpServerProcess ftp(server.m_dir.path());
    ASSERT_TRUE(ftp.started()) << ftp.output().toStdString();

    ASSERT_TRUE(d.control(bytes(protocol::display_wait("汉字听写大赛", "50"))));
    EXPECT_EQ(d.h.folder.read_file(QStringLiteral("logo.png")), logo);
    EXPECT_EQ(box(5)->picture(), logo);
    EXPECT_TRUE(box(5)->isVisible());
    EXPECT_EQ(d.h.window->透明标签[1]->caption(), "汉字听写大赛");

    // The server gone: nothing local changes, the labels still follow.
    ASSERT_TRUE(ftp.stop());
    ASSERT_TRUE(d.control(bytes(protocol::display_wait("第二轮", "60"))));
    EXPECT_EQ(d.h.folder.read_file(QStringLiteral("logo.png")), logo);
    EXPECT_EQ(box(5)->picture(), logo);
    EXPECT_EQ(d.h.window->透明标签[1]->caption(), "第二轮");
    EXPECT_EQ(d.h.window->透明标签[1]->font_size(), 60);
}

// While the fetch blocks, the judge's marks come and then the picture link's re-make falls due:
// the marks, read first, are handled first, not lost with the link the re-make replaces.
TEST_F(FtpFetch, AnFtpServerThatNeverAnswersHoldsTheDisplayOnlyBrieflyAndLosesNoWordMeanwhile)
{
    QTcpServer silent; // the kernel accepts, nobody greets
    ASSERT_TRUE(silent.listen(QHostAddress::AnyIPv4, FtpServerProcess::kPort));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(d.control(bytes(protocol::display_wait("汉字听写大赛", "50"))));
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_EQ(d.h.window->透明标签[1]->caption(), "汉字听写大赛");

    d.h.window->时钟[1]->set_interval_ms(0);
    d.h.window->时钟[1]->set_interval_ms(2000);
    const qsizetype links = d.photo_port.count();
    const QByteArray marks = bytes(protocol::judge_result("正确", "错误", "正确", "错误"));
    std::thread judge([fd = d.photo_port.peers().back().socket->socketDescriptor(), &marks] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        ::send(static_cast<int>(fd), marks.constData(), static_cast<size_t>(marks.size()), MSG_NOSIGNAL);
    });
    clock.restart();
    ASSERT_TRUE(d.photo(bytes(protocol::kShowPictures)));
    judge.join();
    EXPECT_GT(clock.elapsed(), 2000) << "the fetch blocked across the re-make";
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_TRUE(d.h.folder.file_names() == QStringList{QStringLiteral("ip.txt")});
    ASSERT_TRUE(wait_until([&] { return mark(1)->isVisible(); }));
    EXPECT_EQ(mark(1)->picture(), resources::tick_picture());
    EXPECT_EQ(mark(2)->picture(), resources::cross_picture());
    EXPECT_TRUE(d.photo_port.wait_for_peers(links + 1, 5000)) << "the re-make ran after the marks";
}

// An ip.txt saved by an editor, or typed with blanks around the host: the TCP links and the FTP
// fetch all reach the server.
TEST(IpTxtHost, BlanksAndLineEndsAroundTheHostReachEveryLink)
{
    const QByteArray picture = handwriting_jpeg(7, Qt::darkBlue);
    const QByteArray logo = handwriting_jpeg(0, Qt::darkRed, 648, 360);
    ServerFolder server;
    ASSERT_TRUE(server.put(QStringLiteral("ht1.jpg"), picture));
    ASSERT_TRUE(server.put(QStringLiteral("logo.jpg"), logo));
    FtpServerProcess ftp(server.m_dir.path());
    ASSERT_TRUE(ftp.started()) << ftp.output().toStdString();

    for (const QByteArray& ip_text :
         {QByteArray("127.0.0.1\n"), QByteArray("127.0.0.1\r\n"), QByteArray(" 127.0.0.1 ")}) {
        LinkedDisplay d(ip_text);
        ASSERT_TRUE(d.linked) << ip_text.toStdString();
        ASSERT_TRUE(d.photo(bytes(protocol::kShowPictures)));
        EXPECT_EQ(d.h.window->图片框[1]->picture(), picture) << ip_text.toStdString();
        ASSERT_TRUE(d.control(bytes(protocol::display_wait("汉字听写大赛", "50"))));
        EXPECT_EQ(d.h.window->图片框[5]->picture(), logo) << ip_text.toStdString();
        EXPECT_EQ(d.h.folder.read_file(QStringLiteral("ip.txt")), ip_text);
    }
}

} // namespace
