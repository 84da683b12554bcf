#pragma once
#include <QSettings>
#include <memory>

namespace quedral {

// The program keeps one setting between runs: the real-time sampling rate in
// seconds, stored as 8 bytes holding an IEEE-754 double (little-endian) under
// the value name "RealTimeRate".
constexpr float kDefaultRealTimeRate = 0.2f;

// The per-user settings store (an INI file under the user's config folder).
std::unique_ptr<QSettings> openSettings();

// A missing, mistyped or wrong-sized value falls back to 0.2 silently.
float loadRealTimeRate(QSettings& settings);
void saveRealTimeRate(QSettings& settings, float rate);

} // namespace quedral
