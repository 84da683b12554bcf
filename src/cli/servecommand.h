#pragma once
// serve: the long-running service that polls the meter and gives its levels to monitoring.
#include "cli/cli.h"

namespace quedral::cli {

// serve [--listen ADDR:PORT] [--log DIR] [--influx FILE|-]: polls on the meter thread every
// 500 ms until SIGINT, SIGTERM or SIGHUP; GET /metrics on ADDR:PORT (loopback by default),
// each second to the daily CSV log in DIR, each second and minute as line protocol to FILE
// (appended) or standard output. Exit 0 when stopped by a signal.
int cmdServe(Context& ctx, const Arguments& args);

} // namespace quedral::cli
