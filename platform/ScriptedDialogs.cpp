#include "platform/ScriptedDialogs.h"

namespace quil {

QString ScriptedDialogs::openFileName(const FileRequest &request)
{
    shown.append({QStringLiteral("open"), request.title, QString(), request});
    return nextFileNames.isEmpty() ? QString() : nextFileNames.dequeue();
}

QString ScriptedDialogs::saveFileName(const FileRequest &request)
{
    shown.append({QStringLiteral("save"), request.title, QString(), request});
    return nextFileNames.isEmpty() ? QString() : nextFileNames.dequeue();
}

bool ScriptedDialogs::askYesNo(const QString &caption, const QString &text)
{
    shown.append({QStringLiteral("question"), caption, text, {}});
    return nextAnswers.isEmpty() ? false : nextAnswers.dequeue();
}

void ScriptedDialogs::showError(const QString &text)
{
    shown.append({QStringLiteral("error"), QStringLiteral("QUIL.Lib"), text, {}});
}

void ScriptedDialogs::showInformation(const QString &caption, const QString &text)
{
    shown.append({QStringLiteral("information"), caption, text, {}});
}

QStringList ScriptedDialogs::errors() const
{
    QStringList result;
    for (const Shown &s : shown)
        if (s.kind == QLatin1String("error"))
            result << s.text;
    return result;
}

ScopedScriptedDialogs::ScopedScriptedDialogs() : FPrevious(&dialogs()) { setDialogs(this); }

ScopedScriptedDialogs::~ScopedScriptedDialogs() { setDialogs(FPrevious); }

} // namespace quil
