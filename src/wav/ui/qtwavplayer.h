#pragma once
// The WavPlayer on Qt Multimedia (QMediaPlayer with the default audio output).
#include <QTimer>

#include <memory>

#include "wav/wavplayer.h"

class QAudioOutput;
class QMediaPlayer;

namespace quedral::wav {

class QtWavPlayer final : public WavPlayer {
public:
    QtWavPlayer();
    ~QtWavPlayer() override;

    // Reports once the media is loaded or refused, or as refused when neither has happened
    // after `loadTimeoutMs`. The event loop runs on meanwhile.
    void open(const QString& path, OpenReport report) override;
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
    // The media has settled (loaded, refused, or failing): the pending open is reported.
    bool settled() const;
    void settle();
    void finishOpen(bool opened);

    std::unique_ptr<QAudioOutput> m_audio;
    std::unique_ptr<QMediaPlayer> m_player;
    QTimer m_loadTimeout;
    OpenReport m_pending;
    bool m_open = false;
};

} // namespace quedral::wav
