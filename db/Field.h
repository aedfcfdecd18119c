#pragma once

#include <QString>
#include <QVariant>
#include <functional>

namespace quil {

class DataSet;

// How a field is declared: its name in the table and the properties the program relies on.
struct FieldDef {
    QString name;
    bool required = false;
    int size = 0; // characters for text fields, 0 for memos
    // Read with the rest of the current record when asked for, not with the grid's pages.
    bool lazy = false;
    bool autoIncrement = false;
};

// One field of a dataset's current record (or of the row the grid is drawing).
class Field {
public:
    using GetTextHandler = std::function<void(Field &sender, QString &text, bool displayText)>;

    Field(DataSet &dataSet, FieldDef def, int index);

    const QString &FieldName() const { return FDef.name; }
    const FieldDef &def() const { return FDef; }
    int index() const { return FIndex; }
    DataSet &dataSet() const { return FDataSet; }
    bool Required() const { return FDef.required; }

    QVariant Value() const;
    // The whole value as text; null reads as the empty text.
    QString AsString() const;
    // Writes into the record buffer; the dataset must be editing or inserting.
    void setAsString(const QString &text);
    void setValue(const QVariant &value);
    void Clear();
    bool IsNull() const;

    // The display-text hook; without one the display text is the value as text.
    GetTextHandler OnGetText;
    QString DisplayText();

private:
    DataSet &FDataSet;
    FieldDef FDef;
    int FIndex;
};

} // namespace quil
