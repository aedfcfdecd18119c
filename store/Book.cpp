#include "store/Book.h"

namespace book {

std::vector<quil::FieldDef> fieldDefs()
{
    // Only what the grid shows is read page by page (from the browse index); the rest of a
    // record is read when it becomes current.
    return {
        {Name, true, 255, false, false},     {Title, true, 255, false, false},
        {City, false, 100, false, false},    {Resume, false, 0, true, false},
        {Location, false, 100, true, false}, {Key, false, 0, false, true},
        {WName, false, 0, true, false},      {WTitle, false, 0, true, false},
        {WPublisher, false, 0, true, false}, {Year, false, 50, true, false},
        {Pages, false, 0, true, false},
    };
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace book
