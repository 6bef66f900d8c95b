#include "common/widgets/wavesoundoutput.h"

#include "common/widgets/wavefile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace common {
namespace {

QAudioFormat audio_format(const WaveFormat& wave)
{
    QAudioFormat format;
    format.setSampleRate(wave.sample_rate);
    format.setChannelCount(wave.channels);
    switch (wave.kind) {
    case WaveFormat::SampleKind::UInt8:
        format.setSampleFormat(QAudioFormat::UInt8);
        break;
    case WaveFormat::SampleKind::Int16:
        format.setSampleFormat(QAudioFormat::Int16);
        break;
    case WaveFormat::SampleKind::Int32:
        format.setSampleFormat(QAudioFormat::Int32);
        break;
    case WaveFormat::SampleKind::Float:
        format.setSampleFormat(QAudioFormat::Float);
        break;
    }
    return format;
}

} // namespace

WaveSoundOutput::WaveSoundOutput(QObject* parent) : QObject(parent) {}

WaveSoundOutput::~WaveSoundOutput()
{
    stop();
}

bool WaveSoundOutput::play_sound(const ByteData& wav)
{
    stop();
    const std::optional<WaveFormat> wave = parse_wave(wav);
    if (!wave || wave->data_length == 0)
        return false;
    // Without a sound server there is no default device: fail at once rather than wait.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    const QAudioFormat format = audio_format(*wave);
    if (!device.isFormatSupported(format))
        return false;

    m_samples = wav.mid(wave->data_offset, wave->data_length);
    m_buffer = std::make_unique<QBuffer>(&m_samples);
    m_buffer->open(QIODevice::ReadOnly);
    m_sink = new QAudioSink(device, format, this);
    QAudioSink* sink = m_sink;
    connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
        // Idle: every sample went out; free the device for the next sound.
        if (sink == m_sink && state == QAudio::IdleState)
            stop();
    });
    m_sink->start(m_buffer.get());
    // A failed start emits nothing; only error() tells.
    if (m_sink->error() != QAudio::NoError) {
        stop();
        return false;
    }
    return true;
}

void WaveSoundOutput::stop()
{
    if (m_sink != nullptr) {
        QAudioSink* sink = m_sink;
        m_sink = nullptr;
        sink->disconnect(this);
        sink->stop();
        sink->deleteLater();
    }
    m_buffer.reset();
    m_samples.clear();
}

bool WaveSoundOutput::playing() const
{
    return m_sink != nullptr;
}

} // namespace common
