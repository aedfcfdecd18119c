#pragma once

#include "platform/Clipboard.h"

#include <QStringList>

namespace quil {

// A clipboard for tests: holds its text in memory, keeps every text that other programs could
// have seen, and can be told to refuse opening (another program holds it) or publishing.
class ScriptedClipboard : public Clipboard {
public:
    QString held;
    QStringList published; // each text as it became visible, in order
    bool refuseOpen = false;
    bool refusePublish = false;

protected:
    bool acquire() override { return !refuseOpen; }
    bool publish(const QString &text) override;
    QString heldText() const override { return held; }
};

// Installs a scripted clipboard for the life of a test and restores the previous one after.
class ScopedScriptedClipboard : public ScriptedClipboard {
public:
    ScopedScriptedClipboard();
    ~ScopedScriptedClipboard() override;

private:
    Clipboard *FPrevious;
};

} // namespace quil
