#include "platform/ScriptedDialogs.h"

#include <atomic>

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

bool ScriptedDialogs::chooseFont(FontChoice &choice)
{
    shown.append({QStringLiteral("font"), QString(), choice.font.family(), {}});
    if (nextFonts.isEmpty())
        return false;
    choice = nextFonts.dequeue();
    return true;
}

QString ScriptedDialogs::chooseEncoding(const EncodingRequest &request)
{
    shown.append({QStringLiteral("encoding"),
                  request.guess,
                  request.preview ? request.preview(request.guess) : QString(),
                  {},
                  request.title});
    return nextEncodings.isEmpty() ? request.guess : nextEncodings.dequeue();
}

bool ScriptedDialogs::choosePrinter(PrintSettings &settings)
{
    shown.append({QStringLiteral("print"), QString(), settings.outputFile, {}});
    if (nextPrinters.isEmpty())
        return false;
    settings = nextPrinters.dequeue();
    return true;
}

void ScriptedDialogs::showSearch(SearchTarget &target, bool replace, const QString &text,
                                 const QString &replacement)
{
    searchTarget = &target;
    shown.append({replace ? QStringLiteral("replace") : QStringLiteral("find"),
                  QString(),
                  text,
                  {},
                  replacement});
}

void ScriptedDialogs::showWarning(const QString &text)
{
    shown.append({QStringLiteral("warning"), QStringLiteral("Warning"), text, {}});
}

QList<int> ScriptedDialogs::chooseItems(const QString &caption, const QString &text,
                                        const QStringList &items, bool)
{
    shown.append({QStringLiteral("choice"), caption, text, {}, items.join(QLatin1Char('\n'))});
    return nextChoices.isEmpty() ? QList<int>() : nextChoices.dequeue();
}

void ScriptedDialogs::beep() { shown.append({QStringLiteral("beep"), QString(), QString(), {}}); }

void ScriptedDialogs::showBusy(const QString &text)
{
    shown.append({QStringLiteral("busy"), QString(), text, {}});
}

bool ScriptedDialogs::showStoppable(const QString &text)
{
    showBusy(text);
    return FStoppableReports++ != stopProgressAt;
}

bool ScriptedDialogs::goOn(bool stopPressed)
{
    return FStoppableReports++ != stopProgressAt && !stopPressed;
}

bool ScriptedDialogs::runWithProgress(const QString &text,
                                      const std::function<void(const Progress &)> &task)
{
    progress << text;
    std::atomic<int> reports = 0;
    std::atomic<bool> stopped = false;
    runOffThread([&] {
        task([&](qint64, qint64) {
            if (reports++ == stopProgressAt)
                stopped = true;
            return !stopped;
        });
    });
    return !stopped;
}

int ScriptedDialogs::count(const QString &kind) const
{
    int n = 0;
    for (const Shown &s : shown)
        n += s.kind == kind ? 1 : 0;
    return n;
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
