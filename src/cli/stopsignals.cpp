#include "cli/stopsignals.h"

namespace quedral::cli {

volatile std::sig_atomic_t g_interrupted = 0;
namespace {
extern "C" void onInterrupt(int signal) { g_interrupted = signal; }
} // namespace

StopSignals::StopSignals()
{
    g_interrupted = 0;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        m_previous[i] = std::signal(kSignals[i], onInterrupt);
}

StopSignals::~StopSignals()
{
    for (size_t i = 0; i < std::size(kSignals); ++i)
        std::signal(kSignals[i], m_previous[i]);
}

const char* signalName(int signal)
{
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
    }
}

} // namespace quedral::cli
