#include "platform/gui/DBRichView.h"

#include "platform/DataSource.h"
#include "platform/rtf/RichText.h"

namespace quil {

DBRichView::DBRichView(QWidget *parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    // Shown where the stored text sets no font of its own.
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(16);
    document()->setDefaultFont(font);
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
    rtf::RichText::setContent(document(), f ? f->AsString() : QString());
}

} // namespace quil
