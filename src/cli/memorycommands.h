#pragma once
// The commands on the meter's logged memory and its live Leq (download, erase, leq-live).
#include <QStringList>

#include "cli/cli.h"

namespace quedral::cli {

int cmdDownload(Context& ctx, const Arguments& args);
int cmdErase(Context& ctx, const Arguments& args);
int cmdLeqLive(Context& ctx, const Arguments& args);

} // namespace quedral::cli
