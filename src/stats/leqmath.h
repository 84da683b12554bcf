#pragma once
// The equivalent continuous level, computed incrementally in single precision as the program
// always has: after k values x_1 .. x_k (dB),
//     L_k = 10 log10( (k - 1)/k * 10^(L_(k-1)/10) + 1/k * 10^(x_k/10) ),  L_1 = x_1,
// with the weights held as floats and each L_k stored as a float. A step whose power or
// logarithm fails (overflow, a value that is no number) keeps the previous level.
#include <cstdint>
#include <vector>

namespace quedral {

// One step: the level after the k-th value (k >= 1; k = 1 gives the value itself).
float leqStep(float previous, float value, std::int64_t k);

// The running Leq of a graph's levels: one value per level, up to (not including) the first
// level above 200 dB, which marks the end of the data (the chart's null is 9999). The energy
// mean is carried between the steps rather than raised again from each stored level; the two
// agree to a few units in the last place of a float.
// Its last value is the Leq of the whole graph.
std::vector<float> runningLeq(const float* levels, std::int64_t count);

// Levels above this end the data.
inline constexpr float kLeqDataEnd = 200.0f;

// The live measurement's seconds: the mean of a second's readings in dB (the sum of their raw
// levels in tenths of a dB over ten times their number), as a float.
float secondSpl(std::int32_t totalTenths, std::int32_t readings);

} // namespace quedral
