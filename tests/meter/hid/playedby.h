#pragma once
// An emulated meter that answers as the simulated meter does.
#include "emulatedhidmeter.h"
#include "meter/simulator/simulatedmeter.h"

namespace quedral::test {

inline EmulatedHidMeter::CommandHandler playedBy(SimulatedMeter& simulated)
{
    return [&simulated](const Frame& f) -> std::optional<Bytes> {
        const std::optional<ReplyBytes> r = simulated.handleCommand(f);
        if (!r)
            return std::nullopt;
        return Bytes(r->begin(), r->end());
    };
}

} // namespace quedral::test
