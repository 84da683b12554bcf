#pragma once
// quedral-cli list: every attached meter, and the --meter choice among them.
#include "cli/cli.h"
#include "meter/meterchoice.h"

namespace quedral::cli {

// The meters attached: with --simulate the simulated one (path "simulated"), otherwise every
// USB meter, each with its descriptor's serial number, else the one it reports through the
// information exchange.
std::vector<AttachedMeter> attachedMeters(Context& ctx);

// list: one line per attached meter, "PATH<TAB>SERIAL".
int cmdList(Context& ctx, const Arguments& args);

} // namespace quedral::cli
