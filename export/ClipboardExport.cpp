#include "export/ClipboardExport.h"

#include "platform/Clipboard.h"

void ClipboardExport::copyReference(quil::Clipboard &clipboard, const QString &reference)
{
    quil::ClipboardLock lock(clipboard);
    clipboard.setText(reference);
    lock.close();
}

void ClipboardExport::copyReferenceAndAbstract(quil::Clipboard &clipboard, const QString &reference,
                                               const QString &abstract)
{
    // Held open throughout, so the reference alone is never what another program sees.
    quil::ClipboardLock lock(clipboard);
    clipboard.setText(reference + QStringLiteral("\r\n"));
    clipboard.setText(clipboard.text() + abstract);
    lock.close();
}
