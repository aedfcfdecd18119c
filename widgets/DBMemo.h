#pragma once

#include "db/DataLink.h"
#include "db/DisplayText.h"

#include <QPlainTextEdit>

namespace quil {

class DataSource;

// A multi-line plain-text control bound to one field of a data source's current record.
// Typing puts the record into edit state; the text is written into the field at the update step.
// Tab moves the focus on; Ctrl+Tab types a tab character.
class DBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DBMemo(QWidget *parent = nullptr);
    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return FLink.dataSource(); }
    void setDataField(const QString &field);
    const QString &dataField() const { return FLink.FieldName; }
    FieldDataLink &link() { return FLink; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void loadFromField();
    void applyReadOnly();
    void contentsChangedByUser();

    FieldDataLink FLink;
    bool FLoading = false;
    ShownHead FHead{MemoDisplayLimit};
};

} // namespace quil
