#include "common/widgets/controls.h"
#include "common/widgets/picturebox.h"
#include "server/globals.h"
#include "tests/server/window/serverfixture.h"

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QProcess>

// The address panel over the tiles: shown by its button, hidden by a double-click on the code.
class QrPanel : public ServerFixture
{
};

TEST_F(QrPanel, ShowHideAndShowAgainRebuildsPictureAndLabel)
{
    window->show();
    window->on_show_ip_qr_code();
    EXPECT_TRUE(window->分组框[4]->isVisible());
    ASSERT_FALSE(server::local_addresses.empty());
    // Inside the test's namespace the only address is loopback.
    EXPECT_EQ(common::caption(window->标签[3]), "请在客户端内输入服务器IP：127.0.0.1");
    const QImage code = window->图片框[9]->image();
    ASSERT_FALSE(code.isNull());
    EXPECT_EQ(code.width(), code.height());
    EXPECT_FALSE(folder.exists("二维码图片.bmp"));

    // A real reader gives the address back from the picture as shown.
    QImage framed(code.width() + 40, code.height() + 40, QImage::Format_RGB32);
    framed.fill(Qt::white);
    for (int y = 0; y < code.height(); ++y)
        for (int x = 0; x < code.width(); ++x)
            framed.setPixel(x + 20, y + 20, code.pixel(x, y));
    ASSERT_TRUE(framed.save(folder.file_path("shown.png")));
    QProcess reader;
    reader.start("zbarimg", {"--raw", "-q", folder.file_path("shown.png")});
    ASSERT_TRUE(reader.waitForFinished(20000));
    EXPECT_EQ(reader.readAllStandardOutput().trimmed(), "127.0.0.1");

    emit window->图片框[9]->doubleClicked(5, 5, 0);
    EXPECT_FALSE(window->分组框[4]->isVisible());
    EXPECT_EQ(window->图片框[9]->image(), code);

    window->图片框[9]->set_picture({});
    common::set_caption(window->标签[3], "");
    window->on_show_ip_qr_code();
    EXPECT_TRUE(window->分组框[4]->isVisible());
    EXPECT_EQ(window->图片框[9]->image(), code);
    EXPECT_EQ(common::caption(window->标签[3]), "请在客户端内输入服务器IP：127.0.0.1");
}
