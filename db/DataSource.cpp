#include "db/DataSource.h"

#include "db/DataLink.h"

#include <algorithm>

namespace quil {

DataSource::~DataSource()
{
    setDataSet(nullptr);
    for (DataLink *link : std::vector<DataLink *>(FLinks))
        link->setDataSource(nullptr);
}

void DataSource::setDataSet(DataSet *dataSet)
{
    if (FDataSet == dataSet)
        return;
    if (FDataSet)
        FDataSet->removeDataSource(this);
    FDataSet = dataSet;
    if (FDataSet)
        FDataSet->addDataSource(this);
    for (DataLink *link : std::vector<DataLink *>(FLinks))
        link->dataEvent(DataEvent::ActiveChange, nullptr);
}

void DataSource::addLink(DataLink *link)
{
    if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end())
        FLinks.push_back(link);
}

void DataSource::removeLink(DataLink *link)
{
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
}

void DataSource::dataEvent(DataEvent event, Field *field)
{
    // Controls first, so that the handler sees them showing the new state.
    for (DataLink *link : std::vector<DataLink *>(FLinks))
        link->dataEvent(event, field);
    switch (event) {
    case DataEvent::FieldChange:
        if (OnDataChange)
            OnDataChange(this, field);
        break;
    case DataEvent::RecordChange:
    case DataEvent::DataSetChange:
    case DataEvent::DataSetScroll:
        if (OnDataChange)
            OnDataChange(this, nullptr);
        break;
    case DataEvent::UpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    case DataEvent::ActiveChange: break;
    }
}

} // namespace quil
