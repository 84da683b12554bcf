#include "wav/qtwavplayer.h"

#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

namespace quedral::wav {

QtWavPlayer::QtWavPlayer()
    : m_audio(std::make_unique<QAudioOutput>()), m_player(std::make_unique<QMediaPlayer>())
{
    m_player->setAudioOutput(m_audio.get());
}

QtWavPlayer::~QtWavPlayer() = default;

bool QtWavPlayer::open(const QString& path)
{
    close();
    if (!QFileInfo(path).isFile())
        return false;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto settled = [this] {
        const QMediaPlayer::MediaStatus s = m_player->mediaStatus();
        return s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::InvalidMedia || s == QMediaPlayer::NoMedia ||
               m_player->error() != QMediaPlayer::NoError;
    };
    const QMetaObject::Connection c1 = QObject::connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, &loop, [&] {
        if (settled())
            loop.quit();
    });
    const QMetaObject::Connection c2 =
        QObject::connect(m_player.get(), &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    if (m_player->mediaStatus() != QMediaPlayer::LoadedMedia && m_player->error() == QMediaPlayer::NoError) {
        timeout.start(loadTimeoutMs);
        loop.exec();
    }
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    m_open = m_player->mediaStatus() == QMediaPlayer::LoadedMedia && m_player->error() == QMediaPlayer::NoError;
    if (!m_open)
        m_player->setSource(QUrl());
    return m_open;
}

void QtWavPlayer::close()
{
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
