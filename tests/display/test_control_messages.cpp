#include <memory>

#include <gtest/gtest.h>

#include "common/events/clientsocket.h"
#include "common/events/timer.h"
#include "common/widgets/picturebox.h"
#include "common/widgets/translabel.h"
#include "protocol/messages.h"
#include "resources/builtin.h"
#include "tests/display/linked_display.h"
#include "tests/support/waits.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

namespace {

using protocol::QuestionFields;

QByteArray bytes(const common::GbkText& text)
{
    return QByteArray::fromStdString(text);
}

QuestionFields question(const char* limit = "30", const char* countdown_font = "400", const char* question_font = "50")
{
    return {.time_limit = limit,
            .question = "拼音：biān fú",
            .answer = "蝙蝠",
            .grid = "2",
            .countdown_font = countdown_font,
            .question_font = question_font};
}

QByteArray tick(const char* n, const QuestionFields& fields = question())
{
    return bytes(protocol::tick(n, fields));
}

// Counts the paints and font changes a control receives.
class EventCounter final : public QObject
{
public:
    explicit EventCounter(QWidget* watched) { watched->installEventFilter(this); }
    int paints = 0;
    int font_changes = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        if (event->type() == QEvent::FontChange)
            ++font_changes;
        return false;
    }
};

class ControlMessages : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(d.linked); }

    common::TransLabel* label(int n) { return d.h.window->透明标签[n]; }
    common::PictureBox* box(int n) { return d.h.window->图片框[n]; }
    common::PictureBox* mark(int n) { return d.h.window->正误[n]; }
    const std::vector<common::ByteData>& played() { return d.h.sound.played; }

    LinkedDisplay d;
};

TEST_F(ControlMessages, QuestionStartShowsTheQuestionAndDeletesTheHandwritingCopies)
{
    for (const char* copy : {"htt1.jpg", "htt2.jpg", "htt3.jpg", "htt4.jpg", "ht1.jpg"})
        ASSERT_TRUE(d.h.folder.write_file(QString::fromLatin1(copy), "old"));
    d.h.window->on_photo_message(); // nothing arrived: reads an empty message, must not matter
    ASSERT_TRUE(d.photo(bytes(protocol::judge_result("正确", "正确", "错误", "正确"))));
    ASSERT_TRUE(mark(1)->isVisibleTo(box(1)));

    ASSERT_TRUE(d.control(bytes(protocol::question_start(question("30", "401", "48")))));
    EXPECT_EQ(d.h.window->时钟[2]->interval_ms(), 0);
    EXPECT_EQ(label(1)->caption(), "拼音：biān fú");
    EXPECT_EQ(label(1)->font_size(), 48);
    EXPECT_EQ(label(2)->caption(), "请听题……");
    EXPECT_EQ(label(2)->font_size(), 200); // 401 / 2, truncated
    EXPECT_TRUE(label(1)->isVisible());
    EXPECT_TRUE(label(2)->isVisible());
    EXPECT_FALSE(box(5)->isVisible());
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(box(n)->isVisible());
        EXPECT_FALSE(mark(n)->isVisibleTo(box(n)));
    }
    EXPECT_EQ(d.h.folder.file_names(), QStringList({QStringLiteral("ht1.jpg"), QStringLiteral("ip.txt")}));
    EXPECT_TRUE(played().empty());
}

TEST_F(ControlMessages, TickShowsTheSecondsLeftAndPlaysTheSounds)
{
    ASSERT_TRUE(d.control(tick("08", question("8", "300", "40"))));
    EXPECT_EQ(label(2)->caption(), "8");
    EXPECT_EQ(label(2)->font_size(), 300);
    EXPECT_EQ(label(1)->font_size(), 40);
    EXPECT_EQ(label(1)->caption(), "拼音：biān fú");
    EXPECT_FALSE(box(5)->isVisible());
    ASSERT_EQ(played().size(), 1u);
    EXPECT_EQ(played()[0], resources::start_sound());

    ASSERT_TRUE(d.control(tick("7", question("8"))));
    EXPECT_EQ(played().size(), 1u);
    ASSERT_TRUE(d.control(tick("6", question("8"))));
    ASSERT_EQ(played().size(), 2u);
    EXPECT_EQ(played()[1], resources::final_seconds_sound());
    for (const char* n : {"5", "4", "3", "2", "1"})
        ASSERT_TRUE(d.control(tick(n, question("8"))));
    EXPECT_EQ(played().size(), 2u);
    EXPECT_EQ(label(2)->caption(), "1");

    // A limit of 6: the start sound is cut off at once by the final-seconds sound.
    d.h.sound.played.clear();
    ASSERT_TRUE(d.control(tick("6", question("6"))));
    ASSERT_EQ(played().size(), 2u);
    EXPECT_EQ(played()[0], resources::start_sound());
    EXPECT_EQ(played()[1], resources::final_seconds_sound());

    // A limit below 6 never reaches the final-seconds sound.
    d.h.sound.played.clear();
    for (const char* n : {"5", "4", "3", "2", "1"})
        ASSERT_TRUE(d.control(tick(n, question("5"))));
    ASSERT_EQ(played().size(), 1u);
    EXPECT_EQ(played()[0], resources::start_sound());
}

// Labels changed by one message are painted in one pass of the window, so once the countdown label
// has been painted, a question label that was written too would have been painted with it.
TEST_F(ControlMessages, RepeatedTickWritesOnlyTheCountdown)
{
    {
        EventCounter first_paint(label(2));
        ASSERT_TRUE(d.control(tick("20")));
        ASSERT_TRUE(wait_until([&] { return first_paint.paints >= 1; }));
    }
    EventCounter question_label(label(1));
    EventCounter countdown_label(label(2));
    ASSERT_TRUE(d.control(tick("19")));
    ASSERT_TRUE(wait_until([&] { return countdown_label.paints >= 1; }));
    EXPECT_EQ(label(2)->caption(), "19");
    EXPECT_GE(countdown_label.paints, 1);
    EXPECT_EQ(countdown_label.font_changes, 0);
    EXPECT_EQ(question_label.font_changes, 0);
    EXPECT_EQ(question_label.paints, 0);

    // Another question or size is written.
    QuestionFields next = question("30", "350", "60");
    next.question = "下一题";
    ASSERT_TRUE(d.control(tick("18", next)));
    ASSERT_TRUE(wait_until([&] { return question_label.paints >= 1; }));
    EXPECT_EQ(countdown_label.font_changes, 1);
    EXPECT_EQ(question_label.font_changes, 1);
    EXPECT_GE(question_label.paints, 1);
    EXPECT_EQ(label(1)->caption(), "下一题");
}

TEST_F(ControlMessages, TimeUpShowsTheAnswerOneSecondLater)
{
    struct Case
    {
        QByteArray message;
        common::GbkText answer_shown; // empty: "时间到" stays
        int size_after;
    };
    QuestionFields no_answer = question();
    no_answer.answer.clear();
    const Case cases[] = {
        {tick("0"), "蝙蝠", 160},  // 400 / 2.5
        {tick("-3"), "蝙蝠", 160}, // below 0 behaves as 0
        {tick("0", question("30", "401")), "蝙蝠", 160},
        {tick("0", no_answer), "", 400},
        {"计时", "", 400},                // no fields beyond the word: n reads 0, the rest empty
        {"计时|abc|||蝙蝠", "蝙蝠", 128}, // no number anywhere: size 0 leaves the label as it is
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        ASSERT_TRUE(d.control(tick("9")));
        ASSERT_EQ(label(2)->font_size(), 400);
        if (c.size_after == 128)
            label(2)->set_font_size(128);

        common::GbkText at_half_second;
        QElapsedTimer clock;
        QTimer::singleShot(500, [&] { at_half_second = label(2)->caption(); });
        clock.start();
        ASSERT_TRUE(d.control(c.message));
        const qint64 took = clock.elapsed();
        EXPECT_EQ(at_half_second, "时间到");
        EXPECT_GE(took, 950);
        EXPECT_LT(took, 5000);
        EXPECT_EQ(label(2)->caption(), c.answer_shown.empty() ? common::GbkText("时间到") : c.answer_shown);
        EXPECT_EQ(label(2)->font_size(), c.size_after);
    }
    save_screenshot(d.h.window.get(), QStringLiteral("display-time-up-answer"));
}

// What the server sends at time-up, back to back: the last tick, the time-up tick with the answer,
// the done tick (no answer: the answer box is unticked) and the question end. Each tick arrives
// inside the wait of the one before, so all three waits end together after one second and the
// answer then stays.
TEST_F(ControlMessages, TheTimeUpBurstShowsTimeUpForOneSecondThenTheAnswerSteadily)
{
    ASSERT_TRUE(d.control(tick("1")));
    QuestionFields no_answer = question();
    no_answer.answer.clear();
    const QByteArray burst[] = {tick("0", no_answer), bytes(protocol::tick_titled("0", question(), "第1轮第1题")),
                                bytes(protocol::tick_titled("0", no_answer, "第1轮第1题")),
                                bytes(protocol::question_end(0))};
    struct Shown
    {
        qint64 at_ms;
        common::GbkText caption;
        int size;
    };
    std::vector<Shown> shown;
    QElapsedTimer clock;
    QTimer sampler;
    const auto sample = [&] {
        const common::GbkText caption = label(2)->caption();
        if (shown.empty() || shown.back().caption != caption || shown.back().size != label(2)->font_size())
            shown.push_back({clock.elapsed(), caption, label(2)->font_size()});
    };
    QObject::connect(&sampler, &QTimer::timeout, sample);
    clock.start();
    sample();
    sampler.start(2);
    for (int i = 0; i < 4; ++i)
        QTimer::singleShot(i, [this, &burst, i] { d.control_port.send_to_newest(burst[i]); });
    settle_ms(2600, "the burst plays out: a second of 时间到, then the answer, which must then stay");
    sampler.stop();

    std::string seen;
    for (const Shown& step : shown)
        seen += std::to_string(step.at_ms) + " " + step.caption + " " + std::to_string(step.size) + "; ";
    ASSERT_EQ(shown.size(), 3u) << "1, 时间到, the answer; anything more flashed: " << seen;
    EXPECT_EQ(shown[1].caption, "时间到");
    EXPECT_LT(shown[1].at_ms, 500);
    EXPECT_EQ(shown[2].caption, "蝙蝠");
    EXPECT_EQ(shown[2].size, 160);
    EXPECT_GE(shown[2].at_ms, 950);
    EXPECT_LT(shown[2].at_ms, 1800);
}

TEST_F(ControlMessages, OtherMessagesOnlyHideTheGridAndStopTheLogin)
{
    ASSERT_TRUE(d.control(tick("12")));
    save_screenshot(d.h.window.get(), QStringLiteral("display-question-countdown"));
    d.h.window->fetch_photos(); // the grid, as after a picture request
    ASSERT_TRUE(box(1)->isVisible());
    d.h.window->时钟[2]->set_interval_ms(5000);

    for (const common::GbkText& message : {protocol::question_end(0), protocol::kLoginSucceeded, protocol::exit_all(0),
                                           protocol::wait_all(3), common::GbkText("比赛")}) {
        SCOPED_TRACE(message);
        ASSERT_TRUE(d.control(bytes(message)));
        EXPECT_EQ(d.h.window->时钟[2]->interval_ms(), 0);
        EXPECT_EQ(label(1)->caption(), "拼音：biān fú");
        EXPECT_EQ(label(2)->caption(), "12");
        EXPECT_TRUE(label(1)->isVisible());
        EXPECT_TRUE(label(2)->isVisible());
        for (int n = 1; n <= 4; ++n)
            EXPECT_FALSE(box(n)->isVisible());
        EXPECT_FALSE(box(5)->isVisible());
    }
    EXPECT_TRUE(played().empty());
}

TEST_F(ControlMessages, DisplayWaitWithoutFtpServerSetsTheTitleOverTheCurrentLogo)
{
    ASSERT_TRUE(d.control(tick("12")));
    ASSERT_TRUE(d.control(bytes(protocol::display_wait("汉字听写大赛", "50"))));
    EXPECT_EQ(label(1)->caption(), "汉字听写大赛");
    EXPECT_EQ(label(1)->font_size(), 50);
    EXPECT_EQ(label(2)->caption(), "");
    EXPECT_TRUE(box(5)->isVisible());
    EXPECT_EQ(box(5)->picture(), resources::default_logo_picture());
    EXPECT_FALSE(d.h.folder.exists(QStringLiteral("logo.png")));
    save_screenshot(d.h.window.get(), QStringLiteral("display-title-over-logo"));

    // A title that is only the word: the title and its size read empty.
    ASSERT_TRUE(d.control("等待"));
    EXPECT_EQ(label(1)->caption(), "");
    EXPECT_TRUE(box(5)->isVisible());
}

TEST_F(ControlMessages, BadInputNeverEndsTheDisplay)
{
    QByteArray noise(4096, Qt::Uninitialized);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) % 256);
    const QByteArray megabyte = "计时|5|30|" + QByteArray(1 << 20, 'x');
    const QByteArray inputs[] = {
        noise,
        "||||||||",
        "|",
        QByteArray("\0\0\0", 3),
        "\xB1",                              // a lone lead byte
        tick("5") + tick("4"),               // two ticks read as one
        "计时|5|5|q|a||999999999|999999999", // absurd sizes
        "比赛|开始|30|q|a||-400|-50",
        megabyte,
    };
    qsizetype sent = 0;
    for (const QByteArray& input : inputs)
        sent += input.size();
    // The megabyte comes in several arrivals: the next message is sent once the last has been handled,
    // so that it does not join the megabyte's tail, and the display is checked after every byte.
    const auto handled_bytes = [](common::ClientSocket* link) {
        auto handled = std::make_shared<qsizetype>(0);
        QObject::connect(link, &common::ClientSocket::dataArrived,
                         [link, handled] { *handled += common::client_get_data(*link).size(); });
        return handled;
    };
    const auto control_handled = handled_bytes(d.h.window->客户[2]);
    const auto photo_handled = handled_bytes(d.h.window->客户[1]);
    for (const QByteArray& input : inputs) {
        ASSERT_TRUE(d.control(input)) << input.left(40).toStdString();
        d.h.window->grab(); // paint whatever it now shows
    }
    d.h.window->grab();
    ASSERT_TRUE(wait_until([&] { return *control_handled == sent; })) << *control_handled << " of " << sent;

    ASSERT_TRUE(d.control(tick("7")));
    EXPECT_EQ(label(2)->caption(), "7");
    EXPECT_EQ(label(1)->caption(), "拼音：biān fú");

    for (const QByteArray& input : inputs)
        ASSERT_TRUE(d.photo(input));
    ASSERT_TRUE(wait_until([&] { return *photo_handled == sent; })) << *photo_handled << " of " << sent;
    EXPECT_TRUE(d.h.window->isVisible());
}

} // namespace
