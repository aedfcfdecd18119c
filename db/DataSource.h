#pragma once

#include "db/DataSet.h"

#include <functional>
#include <vector>

namespace quil {

class DataLink;

// Links one dataset to the controls that show it, and carries the two handlers that the
// program attaches: data change (after the controls are updated) and update data (during the
// update step, after the controls have written their contents). Either can be detached (set
// empty) and attached again at run time.
class DataSource {
public:
    using DataChangeHandler = std::function<void(DataSource *sender, Field *field)>;
    using UpdateDataHandler = std::function<void(DataSource *sender)>;

    DataSource() = default;
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    DataSet *dataSet() const { return FDataSet; }
    void setDataSet(DataSet *dataSet);

    DataChangeHandler OnDataChange;
    UpdateDataHandler OnUpdateData;

    void addLink(DataLink *link);
    void removeLink(DataLink *link);

    // Called by the dataset.
    void dataEvent(DataEvent event, Field *field);

private:
    DataSet *FDataSet = nullptr;
    std::vector<DataLink *> FLinks;
};

} // namespace quil
