#pragma once
// Graph files (*.ghf, also the chart template): a 4-byte little-endian length N,
// then the N-byte chart state block (ChartModel::serialize). Nothing follows.

#include <QString>

#include "base/filewrite.h"

namespace quedral {

class ChartModel;

// Largest state block a graph file may announce.
constexpr quint32 kMaxGraphFileBlock = 1u << 30;  // 1 GiB

// Writes the chart's state, creating or replacing the file (the old file stays
// intact until the new one is complete; with ExistingFile::Keep an existing file is never
// replaced). False with a reason in *error on failure.
bool saveChartState(const ChartModel& chart, const QString& fileName, QString* error = nullptr,
                    ExistingFile existing = ExistingFile::Replace);

// Replaces the chart's state with the file's block. On any failure (missing file,
// short file, absurd length, damaged block) the chart is left as it was and the
// reason is put in *error.
bool loadChartState(ChartModel& chart, const QString& fileName, QString* error = nullptr);

} // namespace quedral
