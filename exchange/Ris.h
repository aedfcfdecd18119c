#pragma once

#include "exchange/Reference.h"

namespace quil::exchange {

// Reads RIS: records from "TY  - " to "ER  - ", one tag a line ("AU  - Фамилия, И. О."), a
// line without a tag continuing the value before it (a long abstract). Lines before the first
// TY and text after an ER are passed over; a record without an ER ends at the next TY. A
// record with neither title nor authors is passed over and reported with its line.
class RisReader {
public:
    static ReadResult read(const QString &text);
    // "Фамилия, И. О.", "Фамилия,И.", "И. О. Фамилия", or a corporate name.
    static PersonName name(const QString &value);
};

} // namespace quil::exchange
