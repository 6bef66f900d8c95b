#include <gtest/gtest.h>

#include "common/events/ftpclient.h"
#include "protocol/ports.h"
#include "tests/support/ftpserverprocess.h"
#include "tests/support/tempprogramfolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace common;

namespace {

QByteArray every_byte_value(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 256) & 0xFF); // CR, LF and 0x1A included
    return bytes;
}

bool write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The display's side (the program folder) and the server machine's folder that the FTP server serves.
class FtpClient : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(local.valid());
        ASSERT_TRUE(served.isValid());
        ftp_disconnect();
    }
    void TearDown() override { ftp_disconnect(); }

    bool start_server()
    {
        server = std::make_unique<FtpServerProcess>(served.path());
        return server->started();
    }
    bool connect(bool passive = false)
    {
        return ftp_connect("127.0.0.1", "username", "tinsmith", protocol::kFtpPort, passive);
    }

    TempProgramFolder local;
    QTemporaryDir served;
    std::unique_ptr<FtpServerProcess> server;
};

} // namespace

TEST_F(FtpClient, FetchesByteExactInActiveAndPassiveModeAndNeverFromACache)
{
    ASSERT_TRUE(start_server());
    const QByteArray picture = every_byte_value(300 * 1024 + 7);
    ASSERT_TRUE(write(served.filePath(QStringLiteral("ht1.jpg")), picture));
    ASSERT_TRUE(write(served.filePath(QStringLiteral("ht2.jpg")), {}));

    ASSERT_TRUE(connect());
    ASSERT_TRUE(ftp_get_file("ht1.jpg", "htt1.jpg"));
    EXPECT_TRUE(local.read_file(QStringLiteral("htt1.jpg")) == picture);
    ASSERT_TRUE(ftp_get_file("ht2.jpg", "htt2.jpg"));
    EXPECT_TRUE(local.exists(QStringLiteral("htt2.jpg")));

    // The same names again after the server's file changed: the new bytes, overwriting.
    const QByteArray next = every_byte_value(1000).toBase64();
    ASSERT_TRUE(write(served.filePath(QStringLiteral("ht1.jpg")), next));
    ASSERT_TRUE(ftp_get_file("ht1.jpg", "htt1.jpg"));
    EXPECT_EQ(local.read_file(QStringLiteral("htt1.jpg")), next);

    ASSERT_TRUE(connect(true));
    ASSERT_TRUE(write(served.filePath(QStringLiteral("logo.jpg")), picture));
    ASSERT_TRUE(ftp_get_file("logo.jpg", "logo.png"));
    EXPECT_TRUE(local.read_file(QStringLiteral("logo.png")) == picture);
    EXPECT_EQ(local.file_names(), (QStringList{"htt1.jpg", "htt2.jpg", "logo.png"})) << "no leftovers";
}

TEST_F(FtpClient, AFailedRetrievalLeavesNoFileAndKeepsAnExistingOne)
{
    ASSERT_TRUE(start_server());
    ASSERT_TRUE(connect());
    EXPECT_FALSE(ftp_get_file("ht2.jpg", "htt2.jpg"));
    EXPECT_TRUE(local.file_names().isEmpty());

    ASSERT_TRUE(local.write_file(QStringLiteral("htt3.jpg"), "earlier copy"));
    EXPECT_FALSE(ftp_get_file("ht3.jpg", "htt3.jpg"));
    EXPECT_EQ(local.read_file(QStringLiteral("htt3.jpg")), QByteArray("earlier copy"));
    EXPECT_EQ(local.file_names(), QStringList{"htt3.jpg"});

    // The connection is still good for the next file.
    ASSERT_TRUE(write(served.filePath(QStringLiteral("ht4.jpg")), "four"));
    EXPECT_TRUE(ftp_get_file("ht4.jpg", "htt4.jpg"));
}

TEST_F(FtpClient, NoConnectionMeansEveryRetrievalFailsAtOnce)
{
    ASSERT_TRUE(local.write_file(QStringLiteral("htt1.jpg"), "kept"));
    EXPECT_FALSE(ftp_get_file("ht1.jpg", "htt1.jpg"));

    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(connect()) << "nothing listens on the FTP port yet";
    EXPECT_FALSE(ftp_connect("", "username", "tinsmith", protocol::kFtpPort));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_FALSE(ftp_get_file("ht1.jpg", "htt1.jpg"));

    ASSERT_TRUE(start_server());
    ASSERT_TRUE(write(served.filePath(QStringLiteral("ht1.jpg")), "new"));
    EXPECT_FALSE(ftp_connect("127.0.0.1", "username", "wrong", protocol::kFtpPort))
        << "a refused login fails the connect";
    EXPECT_FALSE(ftp_get_file("ht1.jpg", "htt1.jpg"));
    ASSERT_TRUE(connect());
    ASSERT_TRUE(ftp_connect("127.0.0.1", "username", "wrong", protocol::kFtpPort) == false);
    EXPECT_FALSE(ftp_get_file("ht1.jpg", "htt1.jpg")) << "a failed connect closed the earlier connection";
    EXPECT_EQ(local.read_file(QStringLiteral("htt1.jpg")), QByteArray("kept"));
}

TEST_F(FtpClient, TheServerTakesUploadsAndEndsCleanlyOnTerm)
{
    ASSERT_TRUE(start_server());
    ASSERT_TRUE(local.write_file(QStringLiteral("up.jpg"), every_byte_value(5000)));
    ASSERT_TRUE(write(served.filePath(QStringLiteral("ht5.jpg")), "old"));
    for (const QString& target : {QStringLiteral("ht5.jpg"), QStringLiteral("ht6.jpg")}) {
        QProcess curl;
        curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-P"), QStringLiteral("-"),
                                            QStringLiteral("-u"), QStringLiteral("username:tinsmith"),
                                            QStringLiteral("-T"), local.file_path(QStringLiteral("up.jpg")),
                                            QStringLiteral("ftp://127.0.0.1:%1/").arg(protocol::kFtpPort) + target});
        ASSERT_TRUE(curl.waitForFinished(10000));
        EXPECT_EQ(curl.exitCode(), 0) << target.toStdString();
        QFile stored(served.filePath(target));
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
        EXPECT_TRUE(stored.readAll() == every_byte_value(5000));
    }
    EXPECT_TRUE(server->stop());
}
