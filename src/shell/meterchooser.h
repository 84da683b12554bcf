#pragma once
// The meter to use when several are attached and none was named with --meter.
#include <QString>
#include <memory>
#include <vector>

#include "meter/meterchoice.h"
#include "meter/simulator/simulatedtransport.h"

namespace quedral {

class Prompter;

// With several meters attached, asks which one (a chooser through the prompts seam) and gives
// its path; empty with one or none attached, or when the user cancels (the open then fails
// and the status bar says that several are attached).
QString meterChosenAtStart(const std::vector<AttachedMeter>& attached, Prompter& prompter);

// The program's transport as the command line asks for it: the simulated meter, the meter
// named with --meter, or, with several attached and none named, the one the user picks.
std::unique_ptr<Transport> transportAtStart(TransportRequest request, Prompter& prompter);

} // namespace quedral
