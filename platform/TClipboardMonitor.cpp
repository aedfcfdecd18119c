#include "platform/TClipboardMonitor.h"

#include "platform/Dialogs.h"

#include <QClipboard>
#include <QGuiApplication>

TClipboardMonitor::TClipboardMonitor(QObject *owner) : QObject(owner) { setEnabled(true); }

TClipboardMonitor::~TClipboardMonitor() { setEnabled(false); }

void TClipboardMonitor::setEnabled(bool enabled)
{
    if (enabled == Enabled())
        return;
    if (!enabled) {
        disconnect(FConnection);
        FConnection = {};
        return;
    }
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        FConnection = connect(clipboard, &QClipboard::dataChanged, this,
                              &TClipboardMonitor::clipboardChanged);
}

void TClipboardMonitor::clipboardChanged()
{
    if (!Enabled() || !OnChange)
        return;
    // Raised through a Qt signal, an error must not unwind into Qt.
    quil::guarded(OnChange);
}
