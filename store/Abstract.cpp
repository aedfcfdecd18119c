#include "store/Abstract.h"

#include "db/DataSet.h"
#include "db/DataSource.h"
#include "db/Field.h"
#include "rtf/RichText.h"

Abstract::Abstract(quil::Field &field, quil::DataSource &source) : FField(field)
{
    FLink.FieldName = field.FieldName();
    FLink.OnDataChange = [this] { emit changed(); };
    FLink.setDataSource(&source);
}

QString Abstract::rtf() const { return held() ? FHolder->heldRtf() : FField.AsString(); }

QString Abstract::stored() const { return FLink.active() ? FField.AsString() : QString(); }

QString Abstract::text() const
{
    // The editor's own text while it holds the abstract: the one the user sees.
    return FHolder ? FHolder->heldText() : quil::rtf::RichText::plainTextOf(FField.AsString());
}

bool Abstract::modified() const
{
    if (held())
        return true;
    const quil::DataSet &data = FField.dataSet();
    const bool editing =
        data.State() == quil::DataSetState::Edit || data.State() == quil::DataSetState::Insert;
    return editing && data.Modified();
}
