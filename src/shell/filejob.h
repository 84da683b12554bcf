#pragma once
// The main window's long file jobs (the exports, the import, "Output Tabular to graph") run on
// a worker thread, one at a time, while the progress window follows them and its Cancel asks
// them to stop. The job's outcome comes back on the GUI thread; once the runner is gone (the
// main window closed) or has abandoned the job, the outcome is dropped and nothing waits.
#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "files/textfiles.h"

class QTimer;
class QWidget;

namespace quedral {

class ProgressDialog;

class FileJob : public QObject {
    Q_OBJECT
public:
    // What the work sees of its job: keepGoing() as the writers and readers want it (false once
    // Cancel was pressed or the job abandoned), and abandoned() for work that must give its file
    // up rather than keep what it did.
    class Control {
    public:
        KeepGoing keepGoing() const;
        bool abandoned() const { return m_abandoned.load(); }
        bool cancelled() const { return m_cancelled.load(); }

    private:
        friend class FileJob;
        std::atomic<bool> m_cancelled{false};
        std::atomic<bool> m_abandoned{false};
        mutable std::atomic<std::int64_t> m_done{0};
    };
    // Runs on the worker thread; must touch no widget.
    using Work = std::function<void(const Control&)>;
    // How the progress window shows what was done so far (default: the bar's position).
    using ShowProgress = std::function<void(ProgressDialog&, std::int64_t done)>;

    explicit FileJob(QWidget* window);
    ~FileJob() override;

    // Starts work with a progress window of this caption, text and maximum; finished runs on
    // the GUI thread once the work is done (never after abandon() or the runner's end). False,
    // and nothing started, while another job runs.
    bool start(const QString& caption, const QString& text, int maximum, Work work, std::function<void()> finished,
               ShowProgress show = {});
    bool running() const { return m_control != nullptr; }
    // Gives the running job up: the work is told to stop and its outcome is dropped.
    void abandon();
    // Runs on the worker thread before each job's work (tests hold a job there).
    void setBeforeWork(std::function<void()> hook) { m_beforeWork = std::move(hook); }
    // The running job's thread (null when none); it deletes itself once it has ended.
    QThread* thread() const { return m_thread; }

signals:
    // A job's finished callback has run.
    void jobFinished();

private:
    void showProgress();
    void end();

    QWidget* m_window;
    std::shared_ptr<Control> m_control; // the running job's; null when none runs
    QPointer<QThread> m_thread;
    QPointer<ProgressDialog> m_scope;
    QTimer* m_progressTimer;
    ShowProgress m_show;
    std::function<void()> m_beforeWork;
};

} // namespace quedral
