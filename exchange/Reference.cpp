#include "exchange/Reference.h"

#include <QRegularExpression>

namespace quil::exchange {

QString bareDoi(const QString &doi)
{
    static const QRegularExpression prefix(
        QStringLiteral("^(?:https?://(?:dx\\.)?doi\\.org/|doi:\\s*)"),
        QRegularExpression::CaseInsensitiveOption);
    return QString(doi).remove(prefix);
}

} // namespace quil::exchange
