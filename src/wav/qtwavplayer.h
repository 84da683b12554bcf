#pragma once
// The WavPlayer on Qt Multimedia (QMediaPlayer with the default audio output).
#include <memory>

#include "wav/wavplayer.h"

class QAudioOutput;
class QMediaPlayer;

namespace quedral::wav {

class QtWavPlayer final : public WavPlayer {
public:
    QtWavPlayer();
    ~QtWavPlayer() override;

    // Waits (with the event loop running) until the file is loaded or refused, at most
    // `loadTimeoutMs`.
    bool open(const QString& path) override;
    void close() override;
    void play() override;
    void pause() override;
    void resume() override;
    void stop() override;
    void seek(std::int64_t ms) override;
    std::optional<std::int64_t> length() const override;
    std::optional<std::int64_t> position() const override;

    int loadTimeoutMs = 5000;

private:
    bool failed() const;

    std::unique_ptr<QAudioOutput> m_audio;
    std::unique_ptr<QMediaPlayer> m_player;
    bool m_open = false;
};

} // namespace quedral::wav
