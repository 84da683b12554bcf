#pragma once
// The commands that read the meter (raw, read, monitor, key, record).
#include <QStringList>

#include "cli/cli.h"

namespace quedral::cli {

int cmdRaw(Context& ctx, const Arguments& args);
int cmdRead(Context& ctx, const Arguments& args);
int cmdMonitor(Context& ctx, const Arguments& args);
int cmdKey(Context& ctx, const Arguments& args);
int cmdRecord(Context& ctx, const Arguments& args);

} // namespace quedral::cli
