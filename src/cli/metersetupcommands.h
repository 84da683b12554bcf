#pragma once
// The meter's setup and service commands (info, set-clock, interval, eeprom-read, eeprom-write, quick-rec).
#include <QStringList>

#include "cli/cli.h"

namespace quedral::cli {

int cmdInfo(Context& ctx, const QStringList& args);
int cmdSetClock(Context& ctx, const QStringList& args);
int cmdInterval(Context& ctx, const QStringList& args);
int cmdEepromRead(Context& ctx, const QStringList& args);
int cmdEepromWrite(Context& ctx, const QStringList& args);
int cmdQuickRec(Context& ctx, const QStringList& args);

} // namespace quedral::cli
