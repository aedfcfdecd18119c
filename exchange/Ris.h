#pragma once

#include "exchange/Reference.h"
#include "import/TextEncoding.h"

#include <functional>

namespace quil::exchange {

// Reads RIS: records from "TY  - " to "ER  - ", one tag a line ("AU  - Фамилия, И. О."), a
// line without a tag continuing the value before it (a long abstract). Lines before the first
// TY and text after an ER are passed over; a record without an ER ends at the next TY. A
// record with neither title nor authors is passed over and reported with its line.
class RisReader {
public:
    static ReadResult read(const QString &text);
    // Each record handed on as it is read, problems listed as they are met.
    static void read(TextPieces &text, QList<ReadProblem> &problems,
                     const std::function<void(Reference &&)> &take);
    // "Фамилия, И. О.", "Фамилия,И.", "И. О. Фамилия", or a corporate name.
    static PersonName name(const QString &value);
};

} // namespace quil::exchange
