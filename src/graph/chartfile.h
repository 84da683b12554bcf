#pragma once
// Graph files for a chart widget: the model's graph-file operations plus a refresh
// after a successful load.

#include "files/graphfile.h"

namespace quedral {

class PESGraph;

bool SaveChartState(const PESGraph& chart, const QString& fileName, QString* error = nullptr);
bool LoadChartState(PESGraph& chart, const QString& fileName, QString* error = nullptr);

} // namespace quedral
