#include "db/DataLink.h"

#include "db/DataSource.h"

namespace quil {

DataLink::~DataLink() { setDataSource(nullptr); }

void DataLink::setDataSource(DataSource *source)
{
    if (FDataSource == source)
        return;
    if (FDataSource)
        FDataSource->removeLink(this);
    FDataSource = source;
    if (FDataSource)
        FDataSource->addLink(this);
    activeChanged();
}

DataSet *DataLink::dataSet() const { return FDataSource ? FDataSource->dataSet() : nullptr; }

bool DataLink::active() const
{
    const DataSet *ds = dataSet();
    return ds && ds->Active();
}

bool DataLink::editing() const
{
    const DataSet *ds = dataSet();
    return ds && (ds->State() == DataSetState::Edit || ds->State() == DataSetState::Insert);
}

bool DataLink::Edit()
{
    if (!active())
        return false;
    dataSet()->Edit();
    return editing();
}

bool DataLink::writable() const { return active() && !dataSet()->ReadOnly(); }

void DataLink::CancelEdit()
{
    if (editing())
        dataSet()->Cancel();
}

void DataLink::dataEvent(DataEvent event, Field *field)
{
    switch (event) {
    case DataEvent::ActiveChange: activeChanged(); break;
    case DataEvent::DataSetChange: dataSetChanged(); break;
    case DataEvent::DataSetScroll: dataSetScrolled(); break;
    case DataEvent::RecordChange:
    case DataEvent::FieldChange: recordChanged(field); break;
    case DataEvent::UpdateRecord: updateData(); break;
    }
}

// ------------------------------------------------------------------------- field links

Field *FieldDataLink::field() const
{
    const DataSet *ds = dataSet();
    return ds ? ds->FindField(FieldName) : nullptr;
}

void FieldDataLink::Modify()
{
    // Editing first: entering edit state reloads the other controls, never this one.
    FModified = true;
    if (!Edit())
        FModified = false;
}

void FieldDataLink::Reset()
{
    FModified = false;
    if (OnDataChange)
        OnDataChange();
}

void FieldDataLink::activeChanged()
{
    FModified = false;
    if (OnActiveChange)
        OnActiveChange();
    if (OnDataChange)
        OnDataChange();
}

void FieldDataLink::recordChanged(Field *changed)
{
    Field *own = field();
    if (changed) {
        // The program set one field: only its control follows, and what it showed is replaced.
        if (changed != own)
            return;
        FModified = false;
    } else if (FModified && editing()) {
        return; // the user's unsaved text stays in the control
    }
    FModified = false;
    if (OnDataChange)
        OnDataChange();
}

void FieldDataLink::updateData()
{
    if (!FModified)
        return;
    if (OnUpdateData)
        OnUpdateData();
    FModified = false;
}

} // namespace quil
