#include "store/Book.h"

namespace book {

std::vector<quil::FieldDef> fieldDefs()
{
    return {
        {Name, true, 255, false, false},     {Title, true, 255, false, false},
        {City, false, 100, false, false},    {Resume, false, 0, true, false},
        {Location, false, 100, false, false}, {Key, false, 0, false, true},
        {WName, false, 0, false, false},     {WTitle, false, 0, false, false},
        {WPublisher, false, 0, false, false}, {Year, false, 50, false, false},
        {Pages, false, 0, false, false},
    };
}

} // namespace book
