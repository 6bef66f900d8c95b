#include <gtest/gtest.h>

#include "common/widgets/wavefile.h"
#include "common/widgets/wavesoundoutput.h"
#include "tests/common/widgets/wave_samples.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

using common::parse_wave;

TEST(WaveFile, ReadsPcmHeaderAndData)
{
    const QByteArray wav = samples::tone_wave(440, 100, 8000);
    const auto format = parse_wave(wav);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->kind, common::WaveFormat::SampleKind::Int16);
    EXPECT_EQ(format->channels, 1);
    EXPECT_EQ(format->sample_rate, 44100);
    EXPECT_EQ(format->data_offset, 44);
    EXPECT_EQ(format->data_length, 4410 * 2);
}

TEST(WaveFile, SkipsOtherChunksAndCutsShortData)
{
    QByteArray wav = samples::tone_wave(440, 10, 8000);
    // A LIST chunk of odd length (padded) between fmt and data.
    wav.insert(36, QByteArray("LIST\x03\x00\x00\x00"
                              "abc\x00",
                              12));
    auto format = parse_wave(wav);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->data_offset, 56);
    EXPECT_EQ(format->data_length, 441 * 2);

    // The data chunk claims more than the file holds: whole frames of what is there.
    const QByteArray cut = wav.left(wav.size() - 101);
    format = parse_wave(cut);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->data_length, (441 * 2 - 101) / 2 * 2);
}

TEST(WaveFile, RefusesWhatCannotPlay)
{
    const QByteArray wav = samples::tone_wave(440, 10, 8000);
    EXPECT_FALSE(parse_wave({}));
    EXPECT_FALSE(parse_wave(QByteArray("RIFF")));
    EXPECT_FALSE(parse_wave(wav.left(30))); // fmt cut
    EXPECT_FALSE(parse_wave(wav.left(36))); // no data chunk
    QByteArray riff = wav;
    riff[0] = 'X';
    EXPECT_FALSE(parse_wave(riff));
    QByteArray adpcm = wav;
    adpcm[20] = 2; // format tag 2: compressed
    EXPECT_FALSE(parse_wave(adpcm));
    QByteArray no_channels = wav;
    no_channels[22] = 0;
    EXPECT_FALSE(parse_wave(no_channels));
    QByteArray bad_align = wav;
    bad_align[32] = 3;
    EXPECT_FALSE(parse_wave(bad_align));
    // Data before fmt.
    QByteArray swapped = wav.left(12) + wav.mid(36) + wav.mid(12, 24);
    EXPECT_FALSE(parse_wave(swapped));
}

TEST(WaveSoundOutput, FailsAtOnceWithoutASoundServer)
{
    // Point the sound client at a server that is not there, before anything opens the audio devices.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("PULSE_SERVER", (runtime.path() + QStringLiteral("/no-such-server")).toLocal8Bit());
    qputenv("PULSE_CLIENTCONFIG", (runtime.path() + QStringLiteral("/client.conf")).toLocal8Bit());

    common::WaveSoundOutput sound;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(sound.play_sound(samples::tone_wave(440, 500, 8000)));
    EXPECT_FALSE(sound.playing());
    EXPECT_FALSE(sound.play_sound(QByteArray("not a wave file")));
    EXPECT_LT(clock.elapsed(), 10000);
}

} // namespace
