#pragma once
// What the dataset's source files share and nothing else needs.

#include <QString>

namespace quil::dataset {

constexpr int PageSize = 64; // rows fetched per statement; a grid shows about 30

inline QString quoted(const QString &identifier)
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace quil::dataset
