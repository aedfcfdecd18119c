#pragma once

#include "db/DataSet.h"

#include <QString>
#include <functional>

namespace quil {

class DataSource;

// What a data-aware control registers with its data source.
class DataLink {
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink &) = delete;
    DataLink &operator=(const DataLink &) = delete;

    DataSource *dataSource() const { return FDataSource; }
    void setDataSource(DataSource *source);
    DataSet *dataSet() const;
    bool active() const;
    bool editing() const;
    // Asks the dataset to edit the current record; false when it cannot (no dataset, closed).
    bool Edit();
    // Open on a connection that may write: the control takes typing.
    bool writable() const;
    // Drops the record's edit (what was typed and not stored), as Esc does.
    void CancelEdit();

    virtual void dataEvent(DataEvent event, Field *field);

protected:
    virtual void activeChanged() {}
    virtual void dataSetChanged() { recordChanged(nullptr); }
    virtual void dataSetScrolled() { recordChanged(nullptr); }
    virtual void recordChanged(Field *) {}
    virtual void updateData() {}

private:
    DataSource *FDataSource = nullptr;
};

// A link to one field, for edits, memos and rich-text controls. The control supplies how to
// show a value and how to read back what the user typed.
class FieldDataLink : public DataLink {
public:
    QString FieldName;
    std::function<void()> OnDataChange; // reload the control from field()
    std::function<void()> OnUpdateData; // write the control's contents into field()
    std::function<void()> OnActiveChange;

    Field *field() const;
    // The user changed the control: put the record into edit state (before the change lands,
    // where the control can) and remember that the control holds unsaved text.
    bool Modified() const { return FModified; }
    void Modify();
    void Reset(); // show the field's value again, dropping what was typed
    // The control put the field's value back itself: nothing typed is pending any more.
    void Restored() { FModified = false; }

protected:
    void activeChanged() override;
    void recordChanged(Field *field) override;
    void updateData() override;

private:
    bool FModified = false;
};

} // namespace quil
