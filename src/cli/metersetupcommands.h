#pragma once
// The meter's setup and service commands (info, set-clock, interval, eeprom-read, eeprom-write, quick-rec).
#include <QStringList>

#include "cli/cli.h"

namespace quedral::cli {

int cmdInfo(Context& ctx, const Arguments& args);
int cmdSetClock(Context& ctx, const Arguments& args);
int cmdInterval(Context& ctx, const Arguments& args);
int cmdEepromRead(Context& ctx, const Arguments& args);
int cmdEepromWrite(Context& ctx, const Arguments& args);
int cmdQuickRec(Context& ctx, const Arguments& args);

} // namespace quedral::cli
