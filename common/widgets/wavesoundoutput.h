#pragma once

#include <memory>

#include "common/text/bytedata.h"
#include "common/widgets/soundoutput.h"

#include <QBuffer>
#include <QObject>

class QAudioSink;

// Plays WAVE files on the default audio output through QAudioSink. One sound at a time: a new one
// cuts the one that plays. Owns its copy of the samples until the sound ends or is cut.
namespace common {

class WaveSoundOutput final : public QObject, public SoundOutput
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WaveSoundOutput)

public:
    explicit WaveSoundOutput(QObject* parent = nullptr);
    ~WaveSoundOutput() override;

    bool play_sound(const ByteData& wav) override;
    // Stops the sound that plays, if any.
    void stop();
    bool playing() const;

private:
    QAudioSink* m_sink = nullptr;
    std::unique_ptr<QBuffer> m_buffer;
    ByteData m_samples;
};

} // namespace common
