#include "common/widgets/picturebox.h"
#include "protocol/ports.h"
#include "resources/builtin.h"
#include "server/globals.h"
#include "tests/server/window/serverfixture.h"
#include "tests/support/ftpserverprocess.h"
#include "tests/support/pictures.h"
#include "tests/support/waits.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>

namespace {

QByteArray jpeg(QColor colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    return encoded_picture(image, "JPG");
}

} // namespace

class HandIn : public ServerFixture
{
protected:
    // Machine n's hand-in peer, connected, with the transfers of the connects already taken away.
    FakeClient& machine(int n)
    {
        FakeClient& client = connect_client(protocol::hand_in_port(n));
        EXPECT_TRUE(client.wait_for("传输"));
        settle_ms(100, "a second transfer for this connect would come with the first");
        return client;
    }
};

// The first and the last machine included: every hand-in port is asked.
TEST_F(HandIn, EveryNewConnectionAsksEveryLivePeerToHandIn)
{
    FakeClient& one = machine(1);
    FakeClient& eight = machine(8);
    // One transfer for its own connect, one for machine 8's.
    EXPECT_EQ(one.received(), "传输传输");
    one.clear_received();
    eight.clear_received();

    FakeClient& two = connect_client(protocol::hand_in_port(2));
    for (FakeClient* client : {&one, &two, &eight})
        EXPECT_TRUE(client->wait_for("传输"));
    settle_ms(300, "a second transfer for one connect would have come");
    EXPECT_EQ(one.received(), "传输");
    EXPECT_EQ(server::machine_client[2], two.client_address().toStdString());
}

TEST_F(HandIn, SubmitIsAnsweredToTheSenderOnly)
{
    FakeClient& two = machine(2);
    FakeClient& three = machine(3);
    two.clear_received();
    three.clear_received();
    three.send("提交");
    EXPECT_TRUE(three.wait_for("传输"));
    settle_ms(300, "a transfer to the other machines would have come");
    EXPECT_EQ(three.received(), "传输");
    EXPECT_TRUE(two.received().isEmpty());
}

// A second after "over" the tile shows ht<n>.jpg, or nothing when the file is missing.
TEST_F(HandIn, OverShowsThePictureAfterASecond)
{
    const QByteArray picture = jpeg(Qt::red);
    ASSERT_TRUE(folder.write_file("ht5.jpg", picture));
    for (const auto& [n, shown] : {std::pair{5, picture}, std::pair{6, QByteArray()}}) {
        FakeClient& client = machine(n);
        QElapsedTimer clock;
        clock.start();
        client.send("over");
        ASSERT_TRUE(wait_until([&, n = n, &shown = shown] { return window->图片框[n]->picture() == shown; }, 5000))
            << n;
        EXPECT_GE(clock.elapsed(), 950);
        EXPECT_EQ(window->图片框[n]->image().isNull(), shown.isEmpty()) << n;
        EXPECT_TRUE(client.is_connected());
    }
}

TEST_F(HandIn, WordsWithAnythingAddedOnlyUpdateTheRememberedPeer)
{
    ASSERT_TRUE(folder.write_file("ht4.jpg", jpeg(Qt::blue)));
    FakeClient& first = machine(4);
    FakeClient& second = connect_client(protocol::hand_in_port(4));
    ASSERT_TRUE(second.wait_for("传输"));
    settle_ms(100, "a second transfer for this connect would come with the first");
    first.clear_received();
    second.clear_received();
    // Each near-miss is handled once the remembered peer has changed; what it must not do (a transfer,
    // a picture load) would show by the end.
    const auto remembered = [](const FakeClient& peer) {
        return wait_until([&] { return server::machine_client[4] == peer.client_address().toStdString(); });
    };
    for (const QByteArray message : {"提交\r\n", "OVER", "over\n", "提交|x", "提交over", " over"}) {
        first.send(message);
        EXPECT_TRUE(remembered(first)) << message.toStdString();
        second.send(message);
        EXPECT_TRUE(remembered(second)) << message.toStdString();
    }
    settle_ms(1200, "a hand-in loads its picture one second after it arrives");
    EXPECT_TRUE(first.received().isEmpty());
    EXPECT_TRUE(second.received().isEmpty());
    EXPECT_EQ(window->图片框[4]->picture(), resources::tile_waiting_picture());
}

TEST_F(HandIn, ACloseBringsBackTheWaitingTileAndMarksTheMachineOffline)
{
    FakeClient& login7 = login("7");
    ASSERT_TRUE(folder.write_file("ht7.jpg", jpeg(Qt::green)));
    FakeClient& first = machine(7);
    FakeClient& second = connect_client(protocol::hand_in_port(7));
    first.send("over");
    ASSERT_TRUE(wait_until([&] {
        return !window->图片框[7]->picture().isEmpty() &&
               window->图片框[7]->picture() != resources::tile_waiting_picture();
    }));
    const QByteArray gone = first.client_address();
    first.close();
    ASSERT_TRUE(wait_until([&] { return window->图片框[7]->picture() == resources::tile_waiting_picture(); }));
    // Any close on the port does it, while another connection is still open; the address stays, and
    // the slot still names the peer that sent last although it has gone.
    EXPECT_TRUE(second.is_connected());
    EXPECT_EQ(status_of(6), "离线");
    EXPECT_EQ(address_of(6), login7.client_address());
    EXPECT_EQ(server::machine_client[7], gone.toStdString());
}

TEST_F(HandIn, NothingIsSentBeforeAnyMachineConnected)
{
    FakeClient& display = login("显示");
    window->broadcast_transfer();
    settle_ms(300, "a transfer sent to the display's peer would have come");
    EXPECT_TRUE(display.received().isEmpty());
}

// A contestant machine puts its picture on the real FTP server program with the fixed login.
TEST_F(HandIn, APictureUploadedByFtpIsShownAfterOver)
{
    FtpServerProcess ftp(folder.path());
    ASSERT_TRUE(ftp.started()) << ftp.output().toStdString();
    const QByteArray picture = jpeg(Qt::magenta);
    QTemporaryDir machineFolder;
    const QString local = machineFolder.filePath("answer.jpg");
    {
        QFile file(local);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(picture);
    }
    FakeClient& three = machine(3);
    QProcess upload;
    upload.start("/usr/bin/python3",
                 {"-c",
                  "import ftplib,sys\n"
                  "f=ftplib.FTP()\nf.connect('127.0.0.1',int(sys.argv[2]),timeout=10)\nf.login('username','tinsmith')\n"
                  "f.storbinary('STOR ht3.jpg',open(sys.argv[1],'rb'))\nf.quit()\n",
                  local, QString::number(protocol::kFtpPort)});
    ASSERT_TRUE(upload.waitForFinished(20000));
    ASSERT_EQ(upload.exitCode(), 0) << upload.readAllStandardError().toStdString();
    three.send("over");
    ASSERT_TRUE(wait_until([&] { return window->图片框[3]->picture() == picture; }, 5000));
    EXPECT_FALSE(window->图片框[3]->image().isNull());
}
