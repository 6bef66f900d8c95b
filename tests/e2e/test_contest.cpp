#include <gtest/gtest.h>

#include "common/text/gbkcodec.h"
#include "common/widgets/controls.h"
#include "common/widgets/operatordialogs.h"
#include "common/widgets/picturebox.h"
#include "tests/e2e/contestfixture.h"
#include "tests/support/waits.h"

#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QPainter>

namespace e2e {

namespace {

QByteArray text_of(QWidget* edit)
{
    return gbk(common::content(edit));
}

// The colour of the middle of a tile's picture (the number drawn there is white: look left of it).
QColor tile_colour(const QImage& image, const QRect& tile)
{
    return QColor(image.pixel(tile.left() + tile.width() / 6, tile.top() + tile.height() / 2));
}

bool near(const QColor& a, const QColor& b, int tolerance = 60)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QByteArray background_png()
{
    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(QColor(90, 40, 140));
    QPainter(&image).fillRect(QRect(0, 300, 640, 100), QColor(250, 240, 220));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// How late a tick may be seen: generous for a loaded machine, yet under a second, so that a skipped
// tick or a slow period shows.
constexpr qint64 kTickLateMs = 750;

// What a contestant machine must hear in one question of limit seconds, in this order: the start,
// one tick a second down to 0, the time-up tick, the done tick, the end. sent_ms: the simulator's
// clock just before the question was sent.
void expect_machine_question(const std::vector<Message>& messages, std::size_t first, int limit, qint64 sent_ms,
                             const QByteArray& answer, const QByteArray& title, const std::string& who)
{
    SCOPED_TRACE(who);
    ASSERT_GE(messages.size(), first + limit + 5);
    const Message& start = messages[first];
    EXPECT_TRUE(start.bytes.startsWith("比赛|开始|" + QByteArray::number(limit) + "||" + answer + "|"))
        << start.bytes.toStdString();
    EXPECT_TRUE(start.bytes.endsWith("|"));
    for (int k = 0; k <= limit; ++k) {
        const Message& tick = messages[first + 1 + k];
        const QList<QByteArray> fields = tick.fields();
        ASSERT_GE(fields.size(), 8) << tick.bytes.toStdString();
        EXPECT_EQ(fields[0], "计时");
        EXPECT_EQ(fields[1], QByteArray::number(limit - k));
        EXPECT_EQ(fields[3], "请按照听写内容答题");
        EXPECT_EQ(fields[4], answer);
        // Tick k is due k + 1 seconds after the countdown started, which was after sent_ms and before
        // the start arrived. A tick can only be seen late, never early: none may come before it is due.
        const qint64 due_ms = qint64{k + 1} * 1000;
        EXPECT_GE(tick.at_ms - sent_ms, due_ms) << "tick " << k << " came early";
        EXPECT_LE(tick.at_ms - start.at_ms, due_ms + kTickLateMs) << "tick " << k << " came late";
    }
    const Message& time_up = messages[first + limit + 2];
    const Message& done = messages[first + limit + 3];
    EXPECT_TRUE(time_up.bytes.startsWith("计时|0|")) << time_up.bytes.toStdString();
    EXPECT_TRUE(time_up.bytes.endsWith("|" + title));
    EXPECT_TRUE(done.bytes.startsWith("计时|0|")) << done.bytes.toStdString();
    EXPECT_TRUE(done.bytes.endsWith("|" + title));
    EXPECT_EQ(messages[first + limit + 4].bytes, "比赛|结束|0");
}

} // namespace

// A whole contest as the operator runs it: the display set up with a title and a background, two
// questions over two rounds with hand-in, pictures on the display and the judge's marks on both
// screens, then everybody sent away and the server closed.
TEST_F(ContestFixture, WholeContestFromTitleToQuit)
{
    ASSERT_TRUE(start_display()) << display->output().toStdString();
    ASSERT_TRUE(sim->log_in_all());
    display_screenshot(QStringLiteral("e2e-display-start"));

    // Title and background of the hall screen.
    dialogs.answer_input_box(common::GbkText("第一届汉字听写大赛"));
    click_button(9);
    EXPECT_EQ(folder.read_file(QStringLiteral("config.txt")), "第一届汉字听写大赛");
    const QByteArray background = background_png();
    ASSERT_TRUE(folder.write_file(QStringLiteral("chosen.png"), background));
    dialogs.answer_file_dialog(common::from_qstring(folder.file_path(QStringLiteral("chosen.png"))));
    click_button(10);
    EXPECT_EQ(folder.read_file(QStringLiteral("logo.jpg")), background);
    ASSERT_TRUE(display_file_becomes(QStringLiteral("logo.png"), background));
    const QImage titled = display_screenshot(QStringLiteral("e2e-display-title"));
    // The fetched background covers the hall screen behind the title.
    EXPECT_GT(share_near(titled, QRect(0, 0, 890, 400), QColor(90, 40, 140), 40), 0.3);

    // Question 1 of round 1.
    pick_word(0);
    const QByteArray answer = text_of(window->编辑框[7]);
    ASSERT_FALSE(answer.isEmpty());
    type_into(window->编辑框[2], QStringLiteral("3"));
    ASSERT_TRUE(wait_to_send_clear_of_remake(QStringLiteral("3")));
    const qint64 sent1_ms = sim->now_ms();
    click_button(2);
    ASSERT_TRUE(sim->machine(1).wait_for("比赛|开始|"));
    EXPECT_EQ(text_of(window->编辑框[5]), answer);
    ASSERT_TRUE(sim->machine(1).wait_for("计时|3|"));
    const QImage counting = display_screenshot(QStringLiteral("e2e-display-countdown"));
    // The background gives way to the question and the countdown.
    EXPECT_LT(share_near(counting, QRect(0, 0, 890, 400), QColor(90, 40, 140), 40), 0.05);
    server_screenshot(QStringLiteral("e2e-server-countdown"));

    ASSERT_TRUE(wait_until([&] { return sim->judge().received().count("比赛|结束|") >= 2; }, 20000));
    ASSERT_TRUE(wait_until([&] { return sim->all_handed_in(); }, 10000));
    EXPECT_EQ(sim->failed_uploads(), 0);

    // Every machine's picture is in the server's folder and in its tile.
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(folder.read_file(QStringLiteral("ht%1.jpg").arg(n)), sim->picture(n)) << n;
        EXPECT_TRUE(wait_until([&] { return !window->图片框[n]->image().isNull(); }, 3000)) << n;
        const QImage& tile = window->图片框[n]->image();
        EXPECT_TRUE(near(QColor(tile.pixel(tile.width() / 6, tile.height() / 2)), handwriting_colour(n))) << n;
    }
    // The display fetched the first four and shows them in its grid.
    EXPECT_TRUE(display_has_pictures());
    const QImage grid = display_screenshot(QStringLiteral("e2e-display-pictures"));
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(near(tile_colour(grid, display_tile(n)), handwriting_colour(n))) << "display tile " << n;

    // The judge's marks, on the server's tiles and on the display.
    ASSERT_TRUE(sim->send_judge_result("结果|评委|正确|错误|正确|对"));
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(window->正误[n]->isVisibleTo(window.get())) << n;
    EXPECT_FALSE(window->正误[5]->isVisibleTo(window.get()));
    const QImage marked = display_screenshot(QStringLiteral("e2e-display-marks"));
    EXPECT_GT(share_green(marked, display_mark(1)), 0.05);
    EXPECT_LT(share_red(marked, display_mark(1)), 0.01);
    EXPECT_GT(share_red(marked, display_mark(2)), 0.05);
    EXPECT_GT(share_green(marked, display_mark(3)), 0.05);
    EXPECT_GT(share_red(marked, display_mark(4)), 0.05);
    const QImage server_view = window->grab().toImage();
    save_screenshot(server_view, QStringLiteral("e2e-server-tiles-marks"));
    const QRect mark1(window->正误[1]->mapTo(static_cast<QWidget*>(window.get()), QPoint(0, 0)),
                      window->正误[1]->size());
    const QRect mark2(window->正误[2]->mapTo(static_cast<QWidget*>(window.get()), QPoint(0, 0)),
                      window->正误[2]->size());
    EXPECT_GT(share_green(server_view, mark1), 0.05);
    EXPECT_GT(share_red(server_view, mark2), 0.05);

    // What each client heard, in order and in time.
    const QByteArray title1 = "第1轮，第1题，加赛0题";
    for (int n = 1; n <= 8; ++n)
        expect_machine_question(messages_of(sim->log(), QStringLiteral("machine%1").arg(n)), 1, 3, sent1_ms, answer,
                                title1, "machine " + std::to_string(n));
    for (const QString& who : {QStringLiteral("examiner"), QStringLiteral("judge")}) {
        const std::vector<Message> heard = messages_of(sim->log(), who);
        ASSERT_GE(heard.size(), 7u) << who.toStdString();
        EXPECT_TRUE(heard[0].bytes.startsWith("登录|"));
        EXPECT_TRUE(heard[1].bytes.endsWith("|" + title1)) << heard[1].bytes.toStdString();
        EXPECT_TRUE(heard[1].bytes.contains("|" + answer + "|"));
        EXPECT_TRUE(heard[5].bytes.startsWith("计时|0|"));
        EXPECT_EQ(heard[6].bytes, "比赛|结束|0");
    }
    const std::vector<Message> judge_heard = messages_of(sim->log(), QStringLiteral("judge"));
    ASSERT_EQ(judge_heard.size(), 8u);
    // The second end comes with the picture request, 3 s after the first.
    EXPECT_EQ(judge_heard[7].bytes, "比赛|结束|0");
    EXPECT_GE(judge_heard[7].at_ms - judge_heard[6].at_ms, 2500);
    for (int n = 1; n <= 8; ++n)
        EXPECT_GE(sim->handin(n).received().count("传输"), 1) << n;
    EXPECT_EQ(text_of(window->编辑框[9]), "2");

    // Round 2, question 1: the counters move, the display drops its old copies.
    click_button(14);
    pick_word(1);
    type_into(window->编辑框[2], QStringLiteral("2"));
    ASSERT_TRUE(wait_to_send_clear_of_remake(QStringLiteral("2")));
    const qint64 sent2_ms = sim->now_ms();
    click_button(2);
    EXPECT_TRUE(
        wait_until([&] { return !QFile::exists(display_folder->file_path(QStringLiteral("htt1.jpg"))); }, 5000));
    ASSERT_TRUE(wait_until([&] { return sim->judge().received().count("比赛|结束|") >= 4; }, 20000));
    EXPECT_TRUE(sim->examiner().received().contains("|第2轮，第1题，加赛0题计时|")) << "titled start, then first tick";
    const std::vector<Message> machine8 = messages_of(sim->log(), QStringLiteral("machine8"));
    expect_machine_question(machine8, 9, 2, sent2_ms, text_of(window->编辑框[5]), "第2轮，第1题，加赛0题",
                            "machine 8, round 2");
    EXPECT_TRUE(display_has_pictures());

    // Everybody away: the display comes back by itself, the machines do not.
    click_button(5);
    for (int n = 1; n <= 8; ++n) {
        EXPECT_TRUE(sim->machine(n).wait_closed()) << n;
        EXPECT_TRUE(sim->machine(n).received().contains("退出|结束|0")) << n;
    }
    EXPECT_TRUE(sim->judge().wait_closed());
    EXPECT_EQ(status_of(0), "离线");
    EXPECT_TRUE(wait_until([&] { return display_logged_in(); }, 12000));

    // Quit: the operator confirms; the FTP server program ends with the server.
    dialogs.answer_message_box(common::ResultYes);
    window->close();
    ASSERT_EQ(dialogs.message_boxes.size(), 1u);
    EXPECT_EQ(dialogs.message_boxes[0].text, "是否退出【Oruvan】服务器？");
    EXPECT_TRUE(wait_until([] { return !ftp_port_open(); }, 5000));
    EXPECT_TRUE(display_running());
}

} // namespace e2e
