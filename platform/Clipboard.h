#pragma once

#include <QString>

namespace quil {

// The system clipboard as the program's logic sees it: plain text only. Opening nests; what is
// set while the clipboard is open becomes visible to other programs only when the outermost
// open is closed, so a command that builds its text in steps publishes one text. The
// application installs the Qt one; tests install ScriptedClipboard.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // The outermost open fails with "Cannot open clipboard" when the clipboard cannot be had.
    void open();
    // The outermost close publishes what was set since the open; failing that, it raises
    // "Cannot open clipboard" and the clipboard keeps what it held before.
    void close();
    // Closes without publishing: the clipboard keeps what it held before the open.
    void abandon();
    bool isOpen() const { return FOpenCount > 0; }

    // The first set after the open replaces whatever the clipboard held. Outside an open the
    // clipboard is opened and closed around the call.
    void setText(const QString &text);
    // What was set since the open, else what the clipboard holds.
    QString text() const;

protected:
    virtual bool acquire() = 0;
    virtual bool publish(const QString &text) = 0;
    virtual QString heldText() const = 0;

private:
    int FOpenCount = 0;
    bool FWritten = false;
    QString FText;
};

// Keeps the clipboard open for a scope and closes it on every path; close() publishes and may
// raise, leaving the scope without it abandons what was set.
class ClipboardLock {
public:
    explicit ClipboardLock(Clipboard &clipboard);
    ~ClipboardLock();
    ClipboardLock(const ClipboardLock &) = delete;
    ClipboardLock &operator=(const ClipboardLock &) = delete;
    void close();

private:
    Clipboard &FClipboard;
    bool FOpen;
};

// The clipboard in force; until one is installed, one that cannot be opened.
Clipboard &clipboard();
void setClipboard(Clipboard *clipboard);

} // namespace quil
