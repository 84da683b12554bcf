#pragma once
// A data set as a chart, as the DataLogger window shows it and `quedral-cli export` writes it.
namespace quedral {

class ChartModel;
struct DataSetStore;

// resetChart with one subset of set n's samples, X from its start to start + Count x Interval,
// Y 30 .. 130, then the samples' times and levels.
void putDataSet(ChartModel& chart, const DataSetStore& store, int n);

} // namespace quedral
