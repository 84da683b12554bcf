#include "graph/stats/leqmath.h"

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

namespace {
// Walks the levels up to the data's end, calling out(k, leq) after each. The energy mean
// 10^(L_(k-1)/10) is carried from step to step instead of being raised again from the stored
// level, which halves the work of a long graph.
template <class Out>
std::int64_t walkLeq(const float* levels, std::int64_t count, Out out)
{
    float energy = 0;
    float leq = 0;
    std::int64_t k = 0;
    for (; k < count; ++k) {
        const float level = levels[k];
        if (level > kLeqDataEnd)
            break;
        if (k == 0) {
            leq = level;
            energy = std::exp(kTenthLn10 * level);
        } else {
            const float n = static_cast<float>(k + 1);
            const float e = std::exp(kTenthLn10 * level) * (1.0f / n) + energy * (static_cast<float>(k) / n);
            // A step that overflows keeps the previous level.
            if (e > 0.0f && std::isfinite(e)) {
                energy = e;
                leq = 10.0f * std::log10(e);
            }
        }
        out(leq);
    }
    return k;
}
} // namespace

std::vector<float> runningLeq(const float* levels, std::int64_t count)
{
    std::vector<float> out;
    out.reserve(static_cast<size_t>(count));
    walkLeq(levels, count, [&](float leq) { out.push_back(leq); });
    return out;
}

bool finalLeq(const float* levels, std::int64_t count, float& leq)
{
    float last = 0;
    if (walkLeq(levels, count, [&](float v) { last = v; }) == 0)
        return false;
    leq = last;
    return true;
}

float secondSpl(std::int32_t totalTenths, std::int32_t readings)
{
    return static_cast<float>(totalTenths) / static_cast<float>(readings * 10);
}

} // namespace quedral
