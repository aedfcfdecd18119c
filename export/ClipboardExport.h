#pragma once

#include <QString>

namespace quil {
class Clipboard;
}

// The current entry to the clipboard as plain text: the reference alone, or the reference,
// CR LF and the abstract, published as one text.
class ClipboardExport {
public:
    static void copyReference(quil::Clipboard &clipboard, const QString &reference);
    static void copyReferenceAndAbstract(quil::Clipboard &clipboard, const QString &reference,
                                         const QString &abstract);
};
