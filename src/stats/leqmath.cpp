#include "stats/leqmath.h"

#include <cmath>

namespace quedral {

namespace {
// 10^(x/10) as exp(x * ln(10) / 10).
constexpr float kTenthLn10 = 0.23025850929940456840f;

float power(float level) { return std::exp(kTenthLn10 * level); }

// The energy mean after the k-th value (k >= 2) from the mean of the k - 1 before it, in single
// precision throughout; false when it overflows or meets a value that is no number (the step
// then gives no finite level and the previous one stays).
bool energyStep(float previousEnergy, float value, std::int64_t k, float& energy)
{
    const float wNew = 1.0f / static_cast<float>(k);
    const float wOld = static_cast<float>(k - 1) / static_cast<float>(k);
    energy = power(value) * wNew + previousEnergy * wOld;
    return energy > 0.0f && std::isfinite(energy);
}
} // namespace

float leqStep(float previous, float value, std::int64_t k)
{
    if (k <= 1)
        return value;
    float energy = 0;
    if (!energyStep(power(previous), value, k, energy))
        return previous;
    return 10.0f * std::log10(energy);
}

std::vector<float> runningLeq(const float* levels, std::int64_t count)
{
    std::vector<float> out;
    out.reserve(static_cast<size_t>(count));
    // The energy mean 10^(L_(k-1)/10) is carried from step to step instead of being raised again
    // from the stored level, which halves the work of a long graph.
    float energy = 0;
    float leq = 0;
    for (std::int64_t k = 0; k < count && levels[k] <= kLeqDataEnd; ++k) {
        if (k == 0) {
            leq = levels[0];
            energy = power(leq);
        } else if (float e = 0; energyStep(energy, levels[k], k + 1, e)) {
            energy = e;
            leq = 10.0f * std::log10(e);
        }
        out.push_back(leq);
    }
    return out;
}

float secondSpl(std::int32_t totalTenths, std::int32_t readings)
{
    return static_cast<float>(totalTenths) / static_cast<float>(readings * 10);
}

} // namespace quedral
