#pragma once

#include "platform/TextSearch.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

namespace quil {

// What a modeless find or replace dialog acts on.
class SearchTarget {
public:
    virtual ~SearchTarget() = default;
    virtual bool findNext(const SearchRequest &request) = 0;
    virtual bool replaceNext(const SearchRequest &request) = 0;
    virtual int replaceAll(const SearchRequest &request) = 0;
    // Where the last hit stands on the screen, so that a dialog can move off it.
    virtual QRect hitRect() const { return {}; }
};

// Message boxes and file dialogs as the program's logic sees them. The application installs
// the Qt one; tests install ScriptedDialogs to answer and to read what was shown.
class Dialogs {
public:
    struct FileRequest {
        QString title;
        QString filter; // "Библиотеки (*.mdb)|*.mdb": pairs of label and pattern
        QString initialFolder;
        QString fileName;
        bool confirmOverwrite = true; // save dialogs only
        QString defaultSuffix;        // save dialogs: added to a name typed without one
    };

    virtual ~Dialogs() = default;
    // Full path of the chosen file, or empty when the user cancels.
    virtual QString openFileName(const FileRequest &request) = 0;
    virtual QString saveFileName(const FileRequest &request) = 0;
    // A Yes/No box without icon; true only for Yes.
    virtual bool askYesNo(const QString &caption, const QString &text) = 0;
    // The application's error report: caption "QUIL.Lib", error icon, OK.
    virtual void showError(const QString &text) = 0;
    // An information box with OK.
    virtual void showInformation(const QString &caption, const QString &text) = 0;

    struct FontChoice {
        QFont font;
        QColor color; // invalid: the automatic colour
    };
    // Where the last print went: a printer by name, or a PDF file when outputFile is set.
    struct PrintSettings {
        QString printerName;
        QString outputFile;
    };
    // The font dialog, started from choice; false when the user cancels.
    virtual bool chooseFont(FontChoice &) { return false; }
    // The print dialog, started from the settings chosen last; false when the user cancels.
    virtual bool choosePrinter(PrintSettings &) { return false; }
    // Opens, or brings forward, the modeless find (or replace) dialog over a target. An empty
    // text or replacement leaves the one the dialog had.
    virtual void showSearch(SearchTarget &, bool /*replace*/, const QString & /*text*/,
                            const QString & /*replacement*/)
    {
    }
    // A warning box with OK.
    virtual void showWarning(const QString &text)
    {
        showInformation(QStringLiteral("Warning"), text);
    }
    // The encoding in which an imported text is read: the offered ones by name and label, the
    // guess chosen at first, and the first lines of the text as each encoding reads them.
    struct EncodingRequest {
        QString title;
        QStringList names;
        QStringList labels;
        QString guess;
        std::function<QString(const QString &name)> preview;
    };
    // The encoding chosen, or empty when the user cancels. Without a dialog: the guess.
    virtual QString chooseEncoding(const EncodingRequest &request) { return request.guess; }
    // A list to choose from, with a text above it: the rows chosen (one, or any number when
    // several), in their order; empty when the user cancels.
    virtual QList<int> chooseItems(const QString & /*caption*/, const QString & /*text*/,
                                   const QStringList & /*items*/, bool /*several*/)
    {
        return {};
    }
    // A password typed in answer to text, shown as dots; empty when the user cancels.
    // Without a dialog: none.
    virtual QString askPassword(const QString & /*text*/) { return {}; }
    // The platform's default beep.
    virtual void beep() {}
    // A window that says, with a busy bar, what a long command is doing while the window
    // cannot answer; an empty text takes it away. It has no cancel.
    virtual void showBusy(const QString & /*text*/) {}
    // The same window with a button that stops the command, for work done on this thread that
    // loses nothing when stopped: false once the user asked to stop. Each call is one report of
    // how far the work has come.
    virtual bool showStoppable(const QString &text)
    {
        showBusy(text);
        return true;
    }
    // One report of a command on this thread to a progress window of its own that has a
    // button to stop it (stopPressed: it was pressed): false once the command is to stop.
    virtual bool goOn(bool stopPressed) { return !stopPressed; }
    // How far a long task has come, told from the task's thread; false once the user asked to
    // stop it.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    // Runs task on a thread of its own while a window says text and how far the task has come,
    // with a button that stops it; the windows are painted meanwhile. False when the user
    // stopped it. What the task raises is raised here. Without a window it runs to its end.
    virtual bool runWithProgress(const QString &text,
                                 const std::function<void(const Progress &)> &task);
};

// Runs work on a thread of its own while this thread handles its events; what work raises is
// raised here.
void runOffThread(const std::function<void()> &work);

// The dialogs in force; never null once the application or a test has installed one.
Dialogs &dialogs();
void setDialogs(Dialogs *dialogs);

// Shows an error raised in a handler through the error report; the program goes on.
void reportError(const QString &message);

class EngineError;
// Who is told, in place of the plain error report, of an engine error that says a file is
// damaged: the one who knows which library it is and what can be done. None: the plain report.
void setDamageReport(std::function<void(const EngineError &)> report);

// Runs a handler, reporting anything it raises instead of letting it escape into Qt.
// Returns false when the handler raised.
bool guarded(const std::function<void()> &handler);

} // namespace quil
