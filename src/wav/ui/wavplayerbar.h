#pragma once
// A graph window's WAV player: "open wav", Play, Pause and Stop, and the play line's offset box.
// It plays the WAV series of the window's selected data set through WavPlayback, moving the
// window's play line, and after a first open offers to copy the series into a project folder.
// The window places its controls: the commands on its tool bar and in its chart's menu, the
// offset box among its statistics.
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

#include "wav/wavplayback.h"

class QAction;
class QLineEdit;
class QWidget;

namespace quedral::wav {

class WavPlayer;

// The window's chart as the playback moves through it.
class PlayLine {
public:
    virtual ~PlayLine() = default;
    virtual int points() const = 0;          // samples in the chart
    virtual double xAt(int index) const = 0; // chart X of a sample (days)
    virtual int playLineIndex() const = 0;   // the sample under the play line
    virtual void setPlayLineIndex(int index) = 0;
    // Moves the play line to x (days); its text shows the time of day of textX.
    virtual void setPlayLine(double x, double textX) = 0;
    virtual void refresh() = 0;
};

// The data set whose series "open wav" opens: the window's selected one.
struct SeriesChoice {
    bool isDataSet = false; // false: the window lists no data set (a file's graph)
    QString name;           // the data set's name ("*.WAV" for one with sound)
    int intervalSeconds = 0;
    int count = 0; // samples in the data set
};

class WavPlayerBar : public QObject, private PlaybackView {
    Q_OBJECT
public:
    // `window` owns the bar and parents its controls and dialogs; `selected` tells which data
    // set "open wav" opens.
    WavPlayerBar(QWidget& window, PlayLine& line, PlaybackFlags flags, std::function<SeriesChoice()> selected);
    ~WavPlayerBar() override;

    // The controls the window places.
    QAction* openAction() const { return m_open; }
    QWidget* playerButtons() const { return m_buttons; } // Play, Pause and Stop on one row
    QList<QAction*> playerActions() const;
    QLineEdit* offsetBox() const { return m_offset; }

    // The player the series plays through; a Qt Multimedia one unless one is given first
    // (tests give a scripted one).
    void setPlayer(std::unique_ptr<WavPlayer> player);
    WavPlayback& playback();
    // A series is open (its first file reported open), so the play line can play from anywhere.
    bool seriesOpen() const;
    // Play, Pause and Stop enabled.
    std::array<bool, 3> buttonsEnabled() const;

    // "open wav": the selected data set's series, after the file dialog.
    void openSeries();
    void play();
    void pause();
    void stop();
    // Another data set is shown: the player stops and its buttons go off.
    void dataSetChanged();

private:
    // PlaybackView
    int points() const override { return m_line.points(); }
    double xAt(int index) const override { return m_line.xAt(index); }
    int playLineIndex() const override { return m_line.playLineIndex(); }
    void setPlayLineIndex(int index) override { m_line.setPlayLineIndex(index); }
    void setPlayLine(double x, double textX) override { m_line.setPlayLine(x, textX); }
    QString playOffsetText() const override;
    void setPlayerButtons(bool play, bool pause, bool stop) override;
    void refresh() override { m_line.refresh(); }
    void reportError(const QString& text) override;

    void buildControls();
    // The project folder copy offered after a first open of `file`.
    void offerProjectCopy(const QString& file);

    QWidget& m_window;
    PlayLine& m_line;
    PlaybackFlags m_flags;
    std::function<SeriesChoice()> m_selected;
    std::unique_ptr<WavPlayer> m_player;
    std::unique_ptr<WavPlayback> m_playback;

    QAction *m_open = nullptr, *m_play = nullptr, *m_pause = nullptr, *m_stop = nullptr;
    QWidget* m_buttons = nullptr;
    QLineEdit* m_offset = nullptr;
};

} // namespace quedral::wav
