#pragma once
// The graph window's WAV playback: Play (with resume), Pause, Stop, the 200 ms play-line
// timer, the move to the next file of the series and the end of the last one. The window
// supplies the player and a view of its chart and buttons; the tests a scripted player and a
// recording view.
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

#include "wav/wavseries.h"

namespace quedral::wav {

class WavPlayer;

// What the playback knows of the series it plays (one record per playback).
struct WavPlaybackRecord {
    QString FirstName; // file name of the first file, e.g. "WAV00012.WAV"
    QString Folder;    // its folder, ending in a separator
    std::uint16_t Interval = 0;
    std::uint16_t FileCount = 0;
    std::uint16_t FileNo = 0;
    std::uint16_t OpenFileNo = 0;
    char CounterHigh = '0';
    char CounterLow = '0';
    double SegmentStartX = 0;
    double SegmentEndX = 0;
};
// What the playback needs of the window.
class PlaybackView {
public:
    virtual ~PlaybackView() = default;
    virtual int points() const = 0;             // samples in the chart
    virtual double xAt(int index) const = 0;    // chart X of a sample (days)
    virtual int playLineIndex() const = 0;      // the sample under the play line
    virtual void setPlayLineIndex(int index) = 0;
    // Moves the play line to x (days); its text shows the time of day of textX.
    virtual void setPlayLine(double x, double textX) = 0;
    virtual QString playOffsetText() const = 0; // the offset box (ms)
    virtual void setPlayerButtons(bool play, bool pause, bool stop) = 0;
    virtual void refresh() = 0;
    // A failure the user is told about (the playback goes on being usable).
    virtual void reportError(const QString& text) = 0;
};

// The shared flags the playback reads and writes (WavPlaying of the application state,
// WavPaused of the graph unit).
struct PlaybackFlags {
    bool& playing;
    bool& paused;
};

class WavPlayback : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 200;

    WavPlayback(WavPlayer& player, PlaybackView& view, PlaybackFlags flags, QObject* parent = nullptr);

    // "open wav" once the file is chosen: starts opening `path`. When the player reports it
    // open, the record is filled for a data set of `count` samples at `interval` seconds, Play
    // is enabled and seriesOpened() follows; when it reports failure, all buttons go off.
    void openSeries(const QString& path, int interval, int count);
    // True while the player has not yet reported on the last open.
    bool openPending() const { return m_pendingOpen != 0; }

    void playClick();
    void pauseClick();
    // Stop; an open still pending is dropped with the step waiting for it.
    void stopClick();
    // Another data set is shown: the timer and the player stop, the buttons go off, and an
    // open still pending is dropped.
    void dataSetChanged();
    // One tick of the play-line timer.
    void timerTick();

    bool timerActive() const { return m_timer.isActive(); }
    WavPlayer& player() { return m_player; }
    // The series open now and where in it the playback stands.
    const WavPlaybackRecord& record() const { return m_record; }

signals:
    // The file given to openSeries is open and the record filled.
    void seriesOpened(const QString& path);

private:
    // Starts opening `path` (nothing plays meanwhile); `then` runs once the player reports it
    // open. A failure turns all buttons off. A report on an open that was dropped or
    // superseded does nothing.
    void openFile(const QString& path, std::function<void()> then);
    // The open file stopped and closed, then `path` opened in its place.
    void reopen(const QString& path, std::function<void()> then);
    void dropPendingOpen() { m_pendingOpen = 0; }
    // Play from the sample `index` of the open file.
    void startAt(int index);
    // The timer reached the end of the file: the next of the series plays, or the playback ends.
    void playNextFile();
    void disableAll();
    // Sets the record's segment from the file number; false (reported) with interval 0.
    bool takeSegment(int fileNo);

    WavPlayer& m_player;
    PlaybackView& m_view;
    PlaybackFlags m_flags;
    QTimer m_timer;
    WavPlaybackRecord m_record;
    unsigned m_opens = 0;       // opens started so far
    unsigned m_pendingOpen = 0; // the number of the open awaiting its report; 0: none
};

} // namespace quedral::wav
