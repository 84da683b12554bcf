#pragma once
// Several meters on one computer: which are attached, and which one the user means.
#include <QString>
#include <optional>
#include <vector>

namespace quedral {

// One attached meter: its device node (a hidraw path, or "simulated") and its serial number
// (empty when it has none to tell).
struct AttachedMeter {
    QString path;
    QString serial;
    bool operator==(const AttachedMeter&) const = default;
};

// The lines `quedral-cli list` prints: "PATH<TAB>SERIAL" per meter, "-" for a serial number
// not known.
QString attachedMetersText(const std::vector<AttachedMeter>& meters);

// The meter wanted names (its path or its serial number), or, with wanted empty, the only one
// attached. nullopt when there is none such, or several and none wanted; problem says why then
// (empty when nothing is attached and nothing wanted, for the caller's own message).
std::optional<AttachedMeter> chooseMeter(const std::vector<AttachedMeter>& attached, const QString& wanted,
                                         QString& problem);

} // namespace quedral
