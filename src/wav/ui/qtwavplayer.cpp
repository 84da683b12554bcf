#include "wav/ui/qtwavplayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

#include <utility>

namespace quedral::wav {

QtWavPlayer::QtWavPlayer()
    : m_audio(std::make_unique<QAudioOutput>()), m_player(std::make_unique<QMediaPlayer>())
{
    m_player->setAudioOutput(m_audio.get());
    m_loadTimeout.setSingleShot(true);
    QObject::connect(&m_loadTimeout, &QTimer::timeout, m_player.get(), [this] { finishOpen(false); });
    QObject::connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, m_player.get(), [this] { settle(); });
    QObject::connect(m_player.get(), &QMediaPlayer::errorOccurred, m_player.get(), [this] { settle(); });
}

QtWavPlayer::~QtWavPlayer()
{
    // The media player outlives the other members: what it signals while it goes must not
    // reach them.
    m_player->disconnect(m_player.get());
    m_pending = nullptr;
    m_loadTimeout.stop();
}

void QtWavPlayer::open(const QString& path, OpenReport report)
{
    close();
    if (!QFileInfo(path).isFile()) {
        if (report)
            report(false);
        return;
    }
    m_pending = std::move(report);
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    if (m_pending && !settled())
        m_loadTimeout.start(loadTimeoutMs);
    else
        settle();
}

bool QtWavPlayer::settled() const
{
    const QMediaPlayer::MediaStatus s = m_player->mediaStatus();
    return s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::InvalidMedia || s == QMediaPlayer::NoMedia ||
           m_player->error() != QMediaPlayer::NoError;
}

void QtWavPlayer::settle()
{
    if (m_pending && settled())
        finishOpen(m_player->mediaStatus() == QMediaPlayer::LoadedMedia && m_player->error() == QMediaPlayer::NoError);
}

void QtWavPlayer::finishOpen(bool opened)
{
    if (!m_pending)
        return;
    m_loadTimeout.stop();
    const OpenReport report = std::exchange(m_pending, nullptr);
    m_open = opened;
    if (!m_open)
        m_player->setSource(QUrl());
    report(m_open);
}

void QtWavPlayer::close()
{
    m_pending = nullptr;
    m_loadTimeout.stop();
    m_player->stop();
    m_player->setSource(QUrl());
    m_open = false;
}

void QtWavPlayer::play() { m_player->play(); }
void QtWavPlayer::pause() { m_player->pause(); }
void QtWavPlayer::resume() { m_player->play(); }
void QtWavPlayer::stop() { m_player->stop(); }
void QtWavPlayer::seek(std::int64_t ms) { m_player->setPosition(ms); }

bool QtWavPlayer::failed() const { return !m_open || m_player->error() != QMediaPlayer::NoError; }

std::optional<std::int64_t> QtWavPlayer::length() const
{
    if (failed())
        return std::nullopt;
    return m_player->duration();
}

std::optional<std::int64_t> QtWavPlayer::position() const
{
    if (failed())
        return std::nullopt;
    // At the end of the track the position may stop a little short of the length.
    if (m_player->mediaStatus() == QMediaPlayer::EndOfMedia)
        return m_player->duration();
    return m_player->position();
}

} // namespace quedral::wav
