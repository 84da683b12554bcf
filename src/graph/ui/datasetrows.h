#pragma once
// The rows of data sets a graph window's side panel lists, as the window reads them: "open wav"
// looks up the selected set's wave file there. The data logger's grid implements it.
#include <QStringList>

namespace quedral {

class DataSetRows {
public:
    virtual ~DataSetRows() = default;
    // The row the commands act on (-1 for none) and a row's nine texts.
    virtual int selectedRow() const = 0;
    virtual QStringList rowTexts(int row) const = 0;
};

} // namespace quedral
