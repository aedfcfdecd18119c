#pragma once

#include "db/DataLink.h"

#include <QTextBrowser>

namespace quil {

class DataSource;

// A read-only view of a rich-text field (the abstract): RTF is rendered, any other value is
// shown as plain text in the view's font.
class DBRichView : public QTextBrowser {
    Q_OBJECT
public:
    explicit DBRichView(QWidget *parent = nullptr);
    void setDataSource(DataSource *source);
    void setDataField(const QString &field);
    const QString &dataField() const { return FLink.FieldName; }
    FieldDataLink &link() { return FLink; }

private:
    void loadFromField();

    FieldDataLink FLink;
    // The value shown: a refresh that brings the same value again (a store notifies its
    // field's change and then the stored record) renders nothing anew.
    QString FShown;
    bool FShowing = false;
};

} // namespace quil
