// The graph window's WAV playback: "open wav", the project folder copy, the player buttons.
// The steps themselves are wav::WavPlayback's; this file ties them to the window.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>
#include <QThreadPool>
#include <QToolButton>

#include "base/datadir.h"
#include "base/prompter.h"
#include "widgets/progressdialog.h"
#include "chart/chartmodel.h"
#include "graph/graphformat.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphplayback.h"
#include "graph/ui/graphunit.h"
#include "wav/ui/qtwavplayer.h"
#include "wav/wavseries.h"

namespace quedral {

// ---- What the playback sees of the window ----

int GraphWindow::PlaybackView::points() const { return m_w.model().points(); }
double GraphWindow::PlaybackView::xAt(int index) const { return m_w.model().xDataII(0, index); }
int GraphWindow::PlaybackView::playLineIndex() const { return m_w.m_host.graphUnit().PlayLineIndex; }
void GraphWindow::PlaybackView::setPlayLineIndex(int index) { m_w.m_host.graphUnit().PlayLineIndex = index; }

void GraphWindow::PlaybackView::setPlayLine(double x, double textX)
{
    m_w.moveLine(0, x);
    m_w.model().vertLines[0].text = formatTimeOfDay(textX);
}

QString GraphWindow::PlaybackView::playOffsetText() const { return m_w.txtPlayOffset->text(); }

void GraphWindow::PlaybackView::setPlayerButtons(bool play, bool pause, bool stop)
{
    m_w.actPlay->setEnabled(play);
    m_w.actPause->setEnabled(pause);
    m_w.actStopPlay->setEnabled(stop);
}

void GraphWindow::PlaybackView::refresh() { m_w.refreshChart(); }
void GraphWindow::PlaybackView::reportError(const QString& text) { Prompter::instance().message(text); }

// ---- The window ----

void GraphWindow::setWavPlayer(std::unique_ptr<wav::WavPlayer> player)
{
    m_playback.reset();
    m_wavPlayer = std::move(player);
}

wav::WavPlayback& GraphWindow::playback()
{
    if (!m_playback) {
        if (!m_wavPlayer)
            m_wavPlayer = std::make_unique<wav::QtWavPlayer>();
        if (!m_playbackView)
            m_playbackView = std::make_unique<PlaybackView>(*this);
        m_playback = std::make_unique<wav::WavPlayback>(
            *m_wavPlayer, *m_playbackView, wav::PlaybackFlags{state().WavPlaying, m_host.graphUnit().WavPaused});
        connect(m_playback.get(), &wav::WavPlayback::seriesOpened, this,
                [this](const QString& file) { offerProjectCopy(file); });
    }
    return *m_playback;
}

std::array<bool, 3> GraphWindow::playerButtonsEnabled() const
{
    return {actPlay->isEnabled(), actPause->isEnabled(), actStopPlay->isEnabled()};
}

void GraphWindow::setPlayOffsetText(const QString& text) { txtPlayOffset->setText(text); }

namespace {

// "mm:ss" of the data set table's "Rate" column in seconds; 0 when it does not read.
int intervalSeconds(const QString& text)
{
    const QStringList parts = text.split(':');
    if (parts.size() != 2)
        return 0;
    return parts[0].toInt() * 60 + parts[1].toInt();
}

} // namespace

void GraphWindow::openWav()
{
    const QStringList row = dataSetRowTexts(selectedDataSetRow());
    const auto cell = [&](int column) { return row.value(column); };
    if (cell(1).isEmpty()) {
        Prompter::instance().message("no datalog file");
        return;
    }
    const QString name = cell(8);
    state().WavPlaying = false;
    if (!wav::namesWaveFile(name)) {
        Prompter::instance().message("no related WAV file");
        return;
    }
    const QString expected = name + ".WAV";
    const QString file = Prompter::instance().openFileName(expected + "|" + expected + "|(*.WAV)|*.WAV", "WAV",
                                                           DataDir::path());
    if (file.isEmpty())
        return;
    // A new file: whatever played before stops first.
    if (m_playback)
        m_playback->stopClick();
    m_host.graphUnit().WavPaused = false;
    // The project copy is offered once the player reports the file open.
    playback().openSeries(file, intervalSeconds(cell(3)), cell(4).toInt());
}

namespace {

// Runs `call` on the GUI thread's event loop (from any thread).
template <typename Call>
void postToGuiThread(Call call)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

} // namespace

void GraphWindow::offerProjectCopy(const QString& file)
{
    const wav::WavPlaybackRecord& r = playback().record();
    const QString project = wav::projectFolder(DataDir::path(), r.FirstName);
    if (QFileInfo::exists(project))
        return;
    if (Prompter::instance().ask("Save measurement project file ?", Buttons::YesNoCancel) != Answer::Yes)
        return;
    // The copy runs on a worker; the dialog keeps the user's input out meanwhile, as the
    // progress and the result come back through the event loop.
    auto* progress = new ProgressDialog(this);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setWindowModality(Qt::ApplicationModal);
    progress->setWindowTitle("Saving Progress");
    progress->showProgress("saving.....", r.FileCount);
    progress->show();
    const QPointer<ProgressDialog> dialog(progress);
    const QPointer<GraphWindow> window(this);
    const int fileCount = r.FileCount;
    QThreadPool::globalInstance()->start([file, fileCount, project, dialog, window] {
        const wav::CopyResult copied = wav::copyProject(file, fileCount, project, [dialog](int m) {
            postToGuiThread([dialog, m] {
                if (dialog)
                    dialog->setProgress(m);
            });
        });
        postToGuiThread([dialog, window, copied, project] {
            if (dialog)
                dialog->close();
            if (!window)
                return;
            if (!copied.folderMade) {
                Prompter::instance().message(QDir::toNativeSeparators(project));
                return;
            }
            Prompter::instance().message("Files have been copied to " + QDir::toNativeSeparators(project + "/"));
        });
    });
}

void GraphWindow::playWav()
{
    if (m_playback)
        m_playback->playClick();
}

void GraphWindow::pauseWav()
{
    if (m_playback)
        m_playback->pauseClick();
}

void GraphWindow::stopWav()
{
    if (m_playback)
        m_playback->stopClick();
}

} // namespace quedral
