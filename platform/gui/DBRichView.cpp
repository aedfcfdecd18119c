#include "platform/gui/DBRichView.h"

#include "platform/DataSource.h"

namespace quil {

DBRichView::DBRichView(QWidget *parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    FLink.OnDataChange = [this] { loadFromField(); };
}

void DBRichView::setDataSource(DataSource *source) { FLink.setDataSource(source); }

void DBRichView::setDataField(const QString &field)
{
    FLink.FieldName = field;
    loadFromField();
}

void DBRichView::loadFromField()
{
    const Field *f = FLink.active() ? FLink.field() : nullptr;
    setPlainText(f ? f->AsString() : QString());
}

} // namespace quil
