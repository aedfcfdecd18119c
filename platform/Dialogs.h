#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace quil {

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
};

// The dialogs in force; never null once the application or a test has installed one.
Dialogs &dialogs();
void setDialogs(Dialogs *dialogs);

// Shows an error raised in a handler through the error report; the program goes on.
void reportError(const QString &message);

// Runs a handler, reporting anything it raises instead of letting it escape into Qt.
// Returns false when the handler raised.
bool guarded(const std::function<void()> &handler);

} // namespace quil
