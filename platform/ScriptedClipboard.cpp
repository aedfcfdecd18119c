#include "platform/ScriptedClipboard.h"

namespace quil {

bool ScriptedClipboard::publish(const QString &text)
{
    if (refusePublish)
        return false;
    held = text;
    published << text;
    return true;
}

ScopedScriptedClipboard::ScopedScriptedClipboard() : FPrevious(&clipboard()) { setClipboard(this); }

ScopedScriptedClipboard::~ScopedScriptedClipboard() { setClipboard(FPrevious); }

} // namespace quil
