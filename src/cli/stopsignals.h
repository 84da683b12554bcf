#pragma once
// Ctrl+C, SIGTERM and SIGHUP stopping a long measurement as its Stop does.
#include <csignal>
#include <iterator>

namespace quedral::cli {

extern volatile std::sig_atomic_t g_interrupted; // the signal that asked to stop, 0 for none

// Ctrl+C, and the signals that end a program from outside (kill, a closed terminal), stop a
// measurement as its Stop does, for as long as the guard lives.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    void (*m_previous[std::size(kSignals)])(int) = {};
};

// "SIGINT", "SIGTERM", "SIGHUP" or "a signal".
const char* signalName(int signal);

} // namespace quedral::cli
