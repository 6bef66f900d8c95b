#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "common/widgets/wavesoundoutput.h"
#include "tests/common/widgets/wave_samples.h"
#include "tests/support/cannotrun.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kRate = 44100;

// A private PulseAudio server with one null sink, and a recorder on the sink's monitor: what the
// program plays is what the recording holds.
class PulseSoundTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_runtime = std::make_unique<QTemporaryDir>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), s_runtime->path());
        env.insert(QStringLiteral("HOME"), s_runtime->path());
        env.remove(QStringLiteral("PULSE_SERVER"));
        s_server = std::make_unique<QProcess>();
        s_server->setProcessEnvironment(env);
        s_server->setProcessChannelMode(QProcess::MergedChannels);
        s_server->start(QStringLiteral("pulseaudio"),
                        {QStringLiteral("-n"), QStringLiteral("--load=module-native-protocol-unix"),
                         QStringLiteral("--load=module-null-sink sink_name=nullsink"),
                         QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--daemonize=no"),
                         QStringLiteral("--use-pid-file=no"), QStringLiteral("--disallow-exit")});
        const QString socket = s_runtime->path() + QStringLiteral("/pulse/native");
        QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(socket) && !deadline.hasExpired() && s_server->state() != QProcess::NotRunning)
            s_server->waitForReadyRead(100);
        if (!QFileInfo::exists(socket)) {
            s_whyNot = "pulseaudio did not start: " + s_server->readAll().toStdString();
            return;
        }
        // This process talks to that server only; set before anything opens the audio devices.
        qputenv("XDG_RUNTIME_DIR", s_runtime->path().toLocal8Bit());
        qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
    }

    static void TearDownTestSuite()
    {
        if (s_server) {
            s_server->terminate();
            if (!s_server->waitForFinished(5000))
                s_server->kill();
            s_server->waitForFinished(2000);
        }
        s_server.reset();
        s_runtime.reset();
    }

    void SetUp() override
    {
        if (!s_whyNot.empty())
            SKIP_OR_FAIL_UNDER_CI(s_whyNot);
    }

    // Starts recording the sink and returns once samples flow.
    void start_recording()
    {
        m_recorder.start(QStringLiteral("parec"),
                         {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"), QStringLiteral("--raw"),
                          QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                          QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
        ASSERT_TRUE(m_recorder.waitForStarted(5000));
        ASSERT_TRUE(m_recorder.waitForReadyRead(5000)) << m_recorder.readAllStandardError().toStdString();
        m_recorder.readAllStandardOutput();
    }

    // Records for ms more (events keep running meanwhile) and gives every sample since start.
    std::vector<int> record_for(int ms)
    {
        QTest::qWait(ms);
        m_samples += m_recorder.readAllStandardOutput();
        std::vector<int> samples;
        for (qsizetype i = 0; i + 1 < m_samples.size(); i += 2)
            samples.push_back(qint16(quint8(m_samples[i]) | (quint8(m_samples[i + 1]) << 8)));
        return samples;
    }

    void TearDown() override
    {
        if (m_recorder.state() != QProcess::NotRunning) {
            m_recorder.kill();
            m_recorder.waitForFinished(2000);
        }
    }

    static int loudest(const std::vector<int>& samples, std::size_t from, std::size_t to)
    {
        int peak = 0;
        for (std::size_t i = from; i < to && i < samples.size(); ++i)
            peak = std::max(peak, std::abs(samples[i]));
        return peak;
    }

    QProcess m_recorder;
    QByteArray m_samples;

    static inline std::unique_ptr<QTemporaryDir> s_runtime;
    static inline std::unique_ptr<QProcess> s_server;
    static inline std::string s_whyNot;
};

TEST_F(PulseSoundTest, PlaysTheWaveAndReturnsAtOnce)
{
    start_recording();
    common::WaveSoundOutput sound;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(sound.play_sound(samples::tone_wave(440, 600, 8000)));
    EXPECT_LT(clock.elapsed(), 2000) << "play_sound waits for the sound";
    EXPECT_TRUE(sound.playing());
    const std::vector<int> samples = record_for(1500);
    ASSERT_GT(samples.size(), std::size_t(kRate));
    EXPECT_GT(loudest(samples, 0, samples.size()), 6000);
    // Roughly 600 ms of the tone reached the sink.
    std::size_t loud = 0;
    for (int s : samples)
        loud += std::abs(s) > 1000 ? 1 : 0;
    EXPECT_GT(loud, std::size_t(kRate) * 3 / 10);
    // Done: the device is given back.
    EXPECT_FALSE(sound.playing());
}

TEST_F(PulseSoundTest, ASecondSoundCutsTheFirst)
{
    start_recording();
    common::WaveSoundOutput sound;
    // The first sound would last 3 s; the second starts after 0.3 s and lasts 0.3 s.
    ASSERT_TRUE(sound.play_sound(samples::tone_wave(440, 3000, 8000)));
    record_for(300);
    ASSERT_TRUE(sound.play_sound(samples::tone_wave(880, 300, 20000)));
    const std::vector<int> samples = record_for(2300);
    ASSERT_GT(samples.size(), std::size_t(kRate) * 2);
    EXPECT_GT(loudest(samples, 0, samples.size()), 15000) << "the second sound did not play";
    // From 1.6 s on the first sound would still play had it not been cut.
    EXPECT_LT(loudest(samples, kRate * 16 / 10, samples.size()), 500);
}

TEST_F(PulseSoundTest, KeepsItsOwnCopyOfTheBytes)
{
    start_recording();
    common::WaveSoundOutput sound;
    QByteArray wav = samples::tone_wave(440, 500, 8000);
    ASSERT_TRUE(sound.play_sound(wav));
    // The caller's bytes go silent at once; the sound must not.
    wav.fill('\0');
    wav = QByteArray();
    const std::vector<int> samples = record_for(1000);
    EXPECT_GT(loudest(samples, 0, samples.size()), 6000);
}

} // namespace
