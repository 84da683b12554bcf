#pragma once
// What the simulated meter has logged: lists of data sets, which encodeMemoryImage (the
// logged-memory encoder) lays out as the meter lays out its memory.
#include <vector>

#include "meter/loggedmemory.h"

namespace quedral {

// What a new simulated meter has logged: four sets of one day, a short one at 1 s, half an
// hour at 2 s with a wave file, a working day at 60 s with a series of wave files, and a
// minute at 1 s.
std::vector<LoggedSet> defaultLoggedSets();
// Sets that fill the whole 256 KiB memory (kMeterMemoryBytes).
std::vector<LoggedSet> fullMemoryLoggedSets();

} // namespace quedral
