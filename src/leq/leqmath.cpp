#include "leq/leqmath.h"

#include <cmath>

namespace quedral {

namespace {
// 10^(x/10) as exp(x * ln(10) / 10).
constexpr float kTenthLn10 = 0.23025850929940456840f;
}

float leqStep(float previous, float value, std::int64_t k)
{
    if (k <= 1)
        return value;
    const float wNew = 1.0f / static_cast<float>(k);
    const float wOld = static_cast<float>(k - 1) / static_cast<float>(k);
    // Single precision throughout: a step that overflows (or meets a value that is no number)
    // gives no finite level and keeps the previous one.
    const float energy = std::exp(kTenthLn10 * value) * wNew + std::exp(kTenthLn10 * previous) * wOld;
    if (!(energy > 0.0f) || !std::isfinite(energy))
        return previous;
    return 10.0f * std::log10(energy);
}

std::vector<float> runningLeq(const float* levels, std::int64_t count)
{
    std::vector<float> out;
    out.reserve(static_cast<size_t>(count));
    float leq = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        const float level = levels[i];
        if (level > kLeqDataEnd)
            break;
        leq = leqStep(leq, level, i + 1);
        out.push_back(leq);
    }
    return out;
}

bool finalLeq(const float* levels, std::int64_t count, float& leq)
{
    float running = 0;
    std::int64_t i = 0;
    for (; i < count && !(levels[i] > kLeqDataEnd); ++i)
        running = leqStep(running, levels[i], i + 1);
    if (i == 0)
        return false;
    leq = running;
    return true;
}

float secondSpl(std::int32_t totalTenths, std::int32_t readings)
{
    return static_cast<float>(totalTenths) / static_cast<float>(readings * 10);
}

} // namespace quedral
