#include "widgets/ShapedText.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace quil {

void keepShapedGlyphs(QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        block.layout()->setCacheEnabled(true);
}

} // namespace quil
