#include "db/Field.h"

#include "db/DataSet.h"

namespace quil {

Field::Field(DataSet &dataSet, FieldDef def, int index)
    : FDataSet(dataSet), FDef(std::move(def)), FIndex(index)
{
}

QVariant Field::Value() const { return FDataSet.fieldValue(*this); }

QString Field::AsString() const
{
    const QVariant v = Value();
    return v.isNull() ? QString() : v.toString();
}

void Field::setAsString(const QString &text) { FDataSet.setFieldValue(*this, text); }

void Field::setValue(const QVariant &value) { FDataSet.setFieldValue(*this, value); }

void Field::Clear() { FDataSet.setFieldValue(*this, QVariant()); }

bool Field::IsNull() const { return Value().isNull(); }

QString Field::DisplayText()
{
    QString text;
    if (OnGetText)
        OnGetText(*this, text, true);
    else
        text = AsString();
    return text;
}

} // namespace quil
