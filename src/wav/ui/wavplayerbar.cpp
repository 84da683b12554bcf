#include "wav/ui/wavplayerbar.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPointer>
#include <QThreadPool>
#include <QToolButton>

#include "base/datadir.h"
#include "base/prompter.h"
#include "wav/ui/qtwavplayer.h"
#include "wav/wavseries.h"
#include "widgets/progressdialog.h"

namespace quedral::wav {

namespace {

QAction* command(QObject* owner, const char* name, const QString& text)
{
    auto* a = new QAction(text, owner);
    a->setObjectName(name);
    return a;
}

// Runs `call` on the GUI thread's event loop (from any thread).
template <typename Call>
void postToGuiThread(Call call)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

} // namespace

WavPlayerBar::WavPlayerBar(QWidget& window, PlayLine& line, PlaybackFlags flags, std::function<SeriesChoice()> selected)
    : m_window(window), m_line(line), m_flags(flags), m_selected(std::move(selected))
{
    setObjectName("wavPlayerBar");
    buildControls();
}

WavPlayerBar::~WavPlayerBar() = default;

void WavPlayerBar::buildControls()
{
    m_open = command(&m_window, "actOpenWav", "open wav");
    m_play = command(&m_window, "actPlay", "Play");
    m_pause = command(&m_window, "actPause", "Pause");
    m_stop = command(&m_window, "actStopPlay", "Stop");
    for (QAction* a : {m_play, m_pause, m_stop})
        a->setEnabled(false);
    connect(m_open, &QAction::triggered, this, [this] { openSeries(); });
    connect(m_play, &QAction::triggered, this, [this] { play(); });
    connect(m_pause, &QAction::triggered, this, [this] { pause(); });
    connect(m_stop, &QAction::triggered, this, [this] { stop(); });

    // The three player buttons stay together on one row.
    m_buttons = new QWidget(&m_window);
    m_buttons->setObjectName("pnlMediaPlayer");
    auto* row = new QHBoxLayout(m_buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (auto [action, name] : {std::pair{m_play, "btnPlay"}, std::pair{m_pause, "btnPause"}, std::pair{m_stop, "btnStopPlay"}}) {
        auto* b = new QToolButton(m_buttons);
        b->setObjectName(name);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setDefaultAction(action);
        row->addWidget(b);
    }

    m_offset = new QLineEdit("0", &m_window);
    m_offset->setObjectName("txtPlayOffset");
    m_offset->setFixedWidth(60);
    m_offset->setFocusPolicy(Qt::StrongFocus);
    m_offset->setValidator(new QIntValidator(-22000, 20020, m_offset));
    m_offset->setToolTip("play line offset (ms)");
}

QList<QAction*> WavPlayerBar::playerActions() const
{
    return {m_play, m_pause, m_stop};
}

void WavPlayerBar::setPlayer(std::unique_ptr<WavPlayer> player)
{
    m_playback.reset();
    m_player = std::move(player);
}

WavPlayback& WavPlayerBar::playback()
{
    if (!m_playback) {
        if (!m_player)
            m_player = std::make_unique<QtWavPlayer>();
        m_playback = std::make_unique<WavPlayback>(*m_player, static_cast<PlaybackView&>(*this), m_flags);
        connect(m_playback.get(), &WavPlayback::seriesOpened, this,
                [this](const QString& file) { offerProjectCopy(file); });
    }
    return *m_playback;
}

bool WavPlayerBar::seriesOpen() const
{
    // The buttons follow the playback: all off before an open, after a failure and when another
    // data set is shown.
    return m_playback && !m_playback->openPending()
        && (m_play->isEnabled() || m_pause->isEnabled() || m_stop->isEnabled());
}

std::array<bool, 3> WavPlayerBar::buttonsEnabled() const
{
    return {m_play->isEnabled(), m_pause->isEnabled(), m_stop->isEnabled()};
}

QString WavPlayerBar::playOffsetText() const { return m_offset->text(); }

void WavPlayerBar::setPlayerButtons(bool play, bool pause, bool stop)
{
    m_play->setEnabled(play);
    m_pause->setEnabled(pause);
    m_stop->setEnabled(stop);
}

void WavPlayerBar::reportError(const QString& text) { Prompter::instance().message(text); }

void WavPlayerBar::openSeries()
{
    const SeriesChoice set = m_selected ? m_selected() : SeriesChoice{};
    if (!set.isDataSet) {
        Prompter::instance().message("no datalog file");
        return;
    }
    m_flags.playing = false;
    if (!namesWaveFile(set.name)) {
        Prompter::instance().message("no related WAV file");
        return;
    }
    const QString expected = set.name + ".WAV";
    const QString file = Prompter::instance().openFileName(expected + "|" + expected + "|(*.WAV)|*.WAV", "WAV",
                                                           DataDir::path());
    if (file.isEmpty())
        return;
    // A new file: whatever played before stops first.
    if (m_playback)
        m_playback->stopClick();
    m_flags.paused = false;
    // The project copy is offered once the player reports the file open.
    playback().openSeries(file, set.intervalSeconds, set.count);
}

void WavPlayerBar::offerProjectCopy(const QString& file)
{
    const WavPlaybackRecord& r = playback().record();
    const QString project = projectFolder(DataDir::path(), r.FirstName);
    if (QFileInfo::exists(project))
        return;
    if (Prompter::instance().ask("Save measurement project file ?", Buttons::YesNoCancel) != Answer::Yes)
        return;
    // The copy runs on a worker; the dialog keeps the user's input out meanwhile, as the
    // progress and the result come back through the event loop.
    auto* progress = new ProgressDialog(&m_window);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setWindowModality(Qt::ApplicationModal);
    progress->setWindowTitle("Saving Progress");
    progress->showProgress("saving.....", r.FileCount);
    progress->show();
    const QPointer<ProgressDialog> dialog(progress);
    const QPointer<WavPlayerBar> bar(this);
    const int fileCount = r.FileCount;
    QThreadPool::globalInstance()->start([file, fileCount, project, dialog, bar] {
        const CopyResult copied = copyProject(file, fileCount, project, [dialog](int m) {
            postToGuiThread([dialog, m] {
                if (dialog)
                    dialog->setProgress(m);
            });
        });
        postToGuiThread([dialog, bar, copied, project] {
            if (dialog)
                dialog->close();
            if (!bar)
                return;
            if (!copied.folderMade) {
                Prompter::instance().message(QDir::toNativeSeparators(project));
                return;
            }
            Prompter::instance().message("Files have been copied to " + QDir::toNativeSeparators(project + "/"));
        });
    });
}

void WavPlayerBar::play()
{
    if (m_playback)
        m_playback->playClick();
}

void WavPlayerBar::pause()
{
    if (m_playback)
        m_playback->pauseClick();
}

void WavPlayerBar::stop()
{
    if (m_playback)
        m_playback->stopClick();
}

void WavPlayerBar::dataSetChanged()
{
    if (m_playback)
        m_playback->dataSetChanged(); // the timer and the player stop
    setPlayerButtons(false, false, false);
}

} // namespace quedral::wav
