#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/text/files.h"
#include "server/qr/bitmap.h"
#include "server/qr/qrcomponent.h"
#include "server/qr/qrpanel.h"
#include "server/qr/qrpicture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kTemporaryName = QStringLiteral("二维码图片.bmp");

// Each test gets its own program folder.
class QrPicture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        common::set_program_directory(m_folder.path().toStdString());
    }

    bool temporary_file_exists() const { return QFileInfo::exists(m_folder.filePath(kTemporaryName)); }

    // What a phone would read: zbarimg on the picture. The panel shows the code on a light
    // background, so the quiet zone that a reader needs is given here the same way.
    std::string scan(const QByteArray& picture) const
    {
        QImage code;
        if (!code.loadFromData(picture, "BMP"))
            return "<no picture>";
        QImage shown(code.width() + 80, code.height() + 80, QImage::Format_RGB32);
        shown.fill(Qt::white);
        for (int y = 0; y < code.height(); ++y)
            for (int x = 0; x < code.width(); ++x)
                shown.setPixel(x + 40, y + 40, code.pixel(x, y));
        const QString path = m_folder.filePath(QStringLiteral("shown.png"));
        if (!shown.save(path, "PNG"))
            return "<not saved>";
        QProcess zbar;
        zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), path});
        if (!zbar.waitForFinished(30000))
            return "<zbarimg did not finish>";
        QByteArray text = zbar.readAllStandardOutput();
        if (text.endsWith('\n'))
            text.chop(1);
        return text.toStdString();
    }

    QTemporaryDir m_folder;
};

std::uint32_t u32_at(const QByteArray& data, int offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(data[offset + i]);
    return value;
}

// The picture is a two-colour s x s BMP, black then white, holding the code edge to edge.
void expect_code_picture(const QByteArray& picture)
{
    ASSERT_GE(picture.size(), 62);
    EXPECT_EQ(picture.left(2), QByteArray("BM"));
    const std::uint32_t side = u32_at(picture, 18);
    EXPECT_EQ(u32_at(picture, 22), side);
    EXPECT_EQ(std::uint8_t(picture[28]), 1) << "1 bit per pixel";
    EXPECT_EQ(picture.mid(54, 8), QByteArray("\x00\x00\x00\x00\xFF\xFF\xFF\x00", 8));
    QImage code;
    ASSERT_TRUE(code.loadFromData(picture, "BMP"));
    const int last = code.width() - 1;
    EXPECT_EQ(code.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(code.pixel(last, 0), qRgb(0, 0, 0));
    EXPECT_EQ(code.pixel(0, last), qRgb(0, 0, 0));
}

// What the component holds when it draws: the settings the picture is made with.
struct DrawnWith
{
    std::string message;
    int version = -1;
    int level = -1;
    double margin = -1;
    int width = 0;
    int height = 0;
    std::string file;
};

// Watches what the component draws with, and still draws with it.
class RecordingComponent : public server::QrComponent
{
public:
    bool QRSaveAsBMP(const char* file_name) override
    {
        drawn = {message(), version(), level(), margin(), width(), height(), file_name};
        const bool saved = save(file_name);
        file_after_save = common::file_exists(file_name);
        return saved;
    }

    DrawnWith drawn;
    bool file_after_save = false;

protected:
    virtual bool save(const char* file_name) { return QrComponent::QRSaveAsBMP(file_name); }
};

// Stands in for the drawing with an image made by the test, to check the cut on known pixels.
class ConstructedComponent final : public RecordingComponent
{
public:
    explicit ConstructedComponent(QImage image) : m_image(std::move(image)) {}

private:
    bool save(const char* file_name) override
    {
        const QByteArray bmp = server::bitmap_to_file_data(m_image);
        const int file = common::open_file(file_name, 4);
        const bool written = file != 0 && common::write_bytes(file, std::string(bmp.constData(), bmp.size()));
        common::close_file(file);
        return written;
    }

    QImage m_image;
};

QImage white_image(int side = 400)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

void fill_black(QImage& image, int left, int top, int width, int height)
{
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
}

// 20 x 20 modules of 16 pixels over columns and rows 40 to 359: a checkerboard whose top row and left
// column are mostly white between their black ends, as in a real code between its finder patterns.
bool module_black(int column, int row)
{
    return (column + row) % 2 == 0 || (column == 19 && row == 0) || (column == 0 && row == 19);
}

QImage constructed_code()
{
    QImage image = white_image();
    for (int row = 0; row < 20; ++row)
        for (int column = 0; column < 20; ++column)
            if (module_black(column, row))
                fill_black(image, 40 + 16 * column, 40 + 16 * row, 16, 16);
    return image;
}

} // namespace

TEST_F(QrPicture, AddressComesBackFromARealReader)
{
    common::GbkText address = "192.168.31.107";
    const QByteArray picture = server::make_qr_picture(address, 0, 0, 1.0);
    expect_code_picture(picture);
    EXPECT_EQ(scan(picture), "192.168.31.107");
    EXPECT_EQ(address, "192.168.31.107");
    EXPECT_FALSE(temporary_file_exists());
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files).size(), 1) << "only the test's own shown.png";
}

// Options out of range are clamped, and one call's options never linger into the next: one
// component serves every row, as the server's one instance does.
TEST_F(QrPicture, TheCodeIsDrawnWithClampedOptionsInTheProgramFolder)
{
    struct Row
    {
        int version;
        int level;
        double appearance;
        DrawnWith drawn;
    };
    const std::string temporary = m_folder.path().toStdString() + "\\二维码图片.bmp";
    const std::vector<Row> rows = {
        {0, 0, 1.0, {"10.0.0.8", 0, 0, 0.26, 400, 400, temporary}},
        {7, 2, 0.1, {"10.0.0.8", 7, 2, 0.1, 400, 400, temporary}},
        // Any level above 3 is the highest.
        {41, 9, 0.01, {"10.0.0.8", 40, 3, 0.02, 400, 400, temporary}},
        {-1, -1, 0.26 + 5e-8, {"10.0.0.8", 0, 0, 0.26, 400, 400, temporary}},
        {3, 1, std::nan(""), {"10.0.0.8", 3, 1, 0.02, 400, 400, temporary}},
    };
    RecordingComponent component;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const Row& row = rows[i];
        common::GbkText message = "10.0.0.8";
        const QByteArray picture = server::make_qr_picture(component, message, row.version, row.level, row.appearance);
        EXPECT_EQ(component.drawn.message, row.drawn.message);
        EXPECT_EQ(component.drawn.version, row.drawn.version);
        EXPECT_EQ(component.drawn.level, row.drawn.level);
        EXPECT_DOUBLE_EQ(component.drawn.margin, row.drawn.margin);
        EXPECT_EQ(component.drawn.width, row.drawn.width);
        EXPECT_EQ(component.drawn.height, row.drawn.height);
        EXPECT_EQ(component.drawn.file, row.drawn.file);
        EXPECT_TRUE(component.file_after_save) << "the component wrote the file in the program folder";
        EXPECT_FALSE(temporary_file_exists());
        if (i == 0) {
            expect_code_picture(picture);
            EXPECT_EQ(scan(picture), "10.0.0.8");
        }
    }

    RecordingComponent defaults;
    common::GbkText message = "10.0.0.8";
    server::make_qr_picture(defaults, message);
    EXPECT_EQ(defaults.drawn.version, 0);
    EXPECT_EQ(defaults.drawn.level, 0);
    EXPECT_DOUBLE_EQ(defaults.drawn.margin, 0.02);
}

TEST_F(QrPicture, LongMessageIsCutForTheComponentAndTheCaller)
{
    std::string long_message;
    for (int i = 0; long_message.size() < 121; ++i)
        long_message += char('A' + i % 26);
    ASSERT_EQ(long_message.size(), 121u);

    RecordingComponent component;
    common::GbkText message = long_message;
    const QByteArray picture = server::make_qr_picture(component, message);
    EXPECT_EQ(message, long_message.substr(0, 120));
    EXPECT_EQ(component.message(), long_message.substr(0, 120));
    EXPECT_EQ(component.drawn.message, long_message.substr(0, 120));
    expect_code_picture(picture);
    EXPECT_EQ(scan(picture), long_message.substr(0, 120));

    common::GbkText exact(120, '7');
    server::make_qr_picture(component, exact);
    EXPECT_EQ(exact.size(), 120u);
}

// The square runs from the first black pixel, column by column, as far as the pixels at the ends of
// its top row and left column are black; only those ends matter, not the pixels between them.
TEST_F(QrPicture, CodeSquareReachesFromTheFirstBlackPixelToItsBlackEnds)
{
    QImage touching = white_image();
    fill_black(touching, 100, 50, 300, 300);
    QImage black = white_image();
    black.fill(Qt::black);
    QImage ends = white_image();
    fill_black(ends, 10, 20, 1, 1);
    fill_black(ends, 10 + 49, 20, 1, 1);
    fill_black(ends, 10, 20 + 49, 1, 1);
    struct Row
    {
        const char* what;
        QImage image;
        server::CodeSquare square;
    };
    const std::vector<Row> rows = {
        {"a code inside its margin", constructed_code(), {40, 40, 320}},
        {"a square touching the last row and column", touching, {100, 50, 300}},
        {"all black: the scan stops at the last row and column", black, {0, 0, 399}},
        {"black ends only", ends, {10, 20, 50}},
        {"all white", white_image(), {0, 0, 0}},
        {"beyond a small image is not black", white_image(100), {0, 0, 0}},
        {"no image", QImage(), {0, 0, 0}},
    };
    for (const Row& row : rows) {
        const server::CodeSquare square = server::find_code_square(row.image);
        EXPECT_EQ(square.x, row.square.x) << row.what;
        EXPECT_EQ(square.y, row.square.y) << row.what;
        EXPECT_EQ(square.side, row.square.side) << row.what;
    }
}

TEST_F(QrPicture, ConstructedCodeIsCutOutOfItsMargin)
{
    ConstructedComponent component(constructed_code());
    common::GbkText message = "x";
    const QByteArray picture = server::make_qr_picture(component, message);
    EXPECT_EQ(u32_at(picture, 18), 320u);
    EXPECT_EQ(u32_at(picture, 22), 320u);
    EXPECT_EQ(std::uint8_t(picture[28]), 1);
    QImage code;
    ASSERT_TRUE(code.loadFromData(picture, "BMP"));
    ASSERT_EQ(code.size(), QSize(320, 320));
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(code.pixel(x, y) == qRgb(0, 0, 0), module_black(x / 16, y / 16)) << x << "," << y;
    EXPECT_FALSE(temporary_file_exists());
}

TEST_F(QrPicture, NoBlackPixelGivesNoPicture)
{
    ConstructedComponent component(white_image());
    common::GbkText message = "x";
    EXPECT_TRUE(server::make_qr_picture(component, message).isEmpty());
    EXPECT_FALSE(temporary_file_exists());
}

TEST_F(QrPicture, FailedDrawingNeverShowsAStaleOrBlackCode)
{
    // A file left over from an earlier address must not come back as today's code.
    common::GbkText old_address = "10.9.9.9";
    const QByteArray old_picture = server::make_qr_picture(old_address);
    ASSERT_FALSE(old_picture.isEmpty());
    QFile stale(m_folder.filePath(kTemporaryName));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(old_picture);
    stale.close();

    common::GbkText empty;
    EXPECT_TRUE(server::make_qr_picture(empty).isEmpty());
    EXPECT_FALSE(temporary_file_exists()) << "the leftover is deleted as well";

    // A folder in the file's place: the component cannot write, nothing is shown, nothing breaks.
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(kTemporaryName));
    common::GbkText address = "10.1.1.1";
    EXPECT_TRUE(server::make_qr_picture(address).isEmpty());
}

// The panel shows the host's last address; loopback comes last in the host's list and is no use to
// the hall, so the one before it is shown, and loopback only when it is the only one.
TEST_F(QrPicture, PanelShowsTheLastAddress)
{
    const std::vector<std::pair<common::TextList, std::string>> rows = {
        {{"10.1.2.3", "192.168.7.40"}, "192.168.7.40"},
        {{"172.16.0.2"}, "172.16.0.2"},
        {{"192.168.7.40", "10.1.2.3", "127.0.0.1"}, "10.1.2.3"},
        {{"127.0.0.1"}, "127.0.0.1"},
        {{}, ""},
    };
    for (const auto& [addresses, shown] : rows) {
        const server::QrPanelContent panel = server::qr_panel_content(addresses);
        EXPECT_EQ(panel.caption, "请在客户端内输入服务器IP：" + shown);
        if (shown.empty())
            EXPECT_TRUE(panel.picture.isEmpty());
        else
            EXPECT_EQ(scan(panel.picture), shown);
        EXPECT_FALSE(temporary_file_exists());
    }
}
