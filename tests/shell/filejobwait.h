#pragma once
// Waiting for the file commands' worker in tests.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "shell/filejob.h"

namespace quedral::test {

// Runs the event loop until the file job on its worker thread (if one runs) has finished.
inline void finishFileJob(FileJob& job)
{
    while (job.running()) {
        QSignalSpy spy(&job, &FileJob::jobFinished);
        ASSERT_TRUE(spy.wait(5000));
    }
}

} // namespace quedral::test
