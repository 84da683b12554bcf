#pragma once
// The commands that read the meter (raw, read, monitor, key, record).
#include <QStringList>

#include "cli/cli.h"

namespace quedral::cli {

int cmdRaw(Context& ctx, const QStringList& args);
int cmdRead(Context& ctx, const QStringList& args);
int cmdMonitor(Context& ctx, const QStringList& args);
int cmdKey(Context& ctx, const QStringList& args);
int cmdRecord(Context& ctx, const QStringList& args);

} // namespace quedral::cli
