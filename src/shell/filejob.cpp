#include "shell/filejob.h"

#include <QThread>
#include <QTimer>
#include <QWidget>

#include "widgets/progressdialog.h"

namespace quedral {

KeepGoing FileJob::Control::keepGoing() const
{
    return [this](std::int64_t done) {
        m_done.store(done);
        return !m_cancelled.load() && !m_abandoned.load();
    };
}

FileJob::FileJob(QWidget* window)
    : QObject(window), m_window(window), m_progressTimer(new QTimer(this))
{
    // The windows repaint between two looks at the work, as the progress window did before.
    m_progressTimer->setInterval(40);
    connect(m_progressTimer, &QTimer::timeout, this, &FileJob::showProgress);
}

FileJob::~FileJob() { abandon(); }

bool FileJob::start(const QString& caption, const QString& text, int maximum, Work work,
                    std::function<void()> finished, ShowProgress show)
{
    if (running())
        return false;
    m_show = std::move(show);
    auto control = std::make_shared<Control>();
    m_control = control;

    m_scope = new ProgressDialog(m_window);
    m_scope->setAttribute(Qt::WA_DeleteOnClose);
    m_scope->setWindowTitle(caption);
    m_scope->showProgress(text, maximum);
    // Cancel, or the progress window closed, stops the work at its next line.
    const auto cancel = [control] { control->m_cancelled.store(true); };
    connect(m_scope, &ProgressDialog::cancelPressed, this, cancel);
    connect(m_scope, &QObject::destroyed, this, cancel);
    m_scope->show();

    // The thread keeps the work and its control alive by itself: nothing here waits for it.
    QThread* thread = QThread::create([control, work = std::move(work), before = m_beforeWork] {
        if (before)
            before();
        work(*control);
    });
    m_thread = thread;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, control, finished = std::move(finished)] {
        if (control != m_control || control->abandoned())
            return;
        end();
        finished();
        emit jobFinished();
    });
    m_progressTimer->start();
    thread->start();
    return true;
}

void FileJob::showProgress()
{
    if (!m_scope || !m_control)
        return;
    const std::int64_t done = m_control->m_done.load();
    if (m_show)
        m_show(*m_scope, done);
    else
        m_scope->setProgress(static_cast<int>(done));
}

void FileJob::end()
{
    m_progressTimer->stop();
    m_control.reset();
    m_thread = nullptr;
    if (m_scope)
        m_scope->close();
}

void FileJob::abandon()
{
    if (!running())
        return;
    m_control->m_abandoned.store(true);
    end();
}

} // namespace quedral
