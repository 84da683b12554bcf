#pragma once
// What the commands that talk to the meter share.
#include "cli/cli.h"

namespace quedral::cli {

// Why the device could not be opened, when the transport knows.
inline void printOpenProblem(Context& ctx)
{
    const QString problem = ctx.transport.lastOpenProblem();
    if (!problem.isEmpty())
        ctx.err << problem << "\n";
}

} // namespace quedral::cli
