#pragma once

#include "db/DataLink.h"
#include "db/DisplayText.h"

#include <QLineEdit>

namespace quil {

class DataSource;

// A one-line edit bound to one field of a data source's current record.
class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);
    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return FLink.dataSource(); }
    void setDataField(const QString &field);
    const QString &dataField() const { return FLink.FieldName; }
    FieldDataLink &link() { return FLink; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void loadFromField();
    QRect textArea() const;

    FieldDataLink FLink;
    bool FLoading = false;
    ShownHead FHead{DisplayLimit};
};

} // namespace quil
