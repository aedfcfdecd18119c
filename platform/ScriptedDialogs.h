#pragma once

#include "platform/Dialogs.h"

#include <QQueue>
#include <QStringList>

namespace quil {

// Dialogs for tests: answers come from queues set beforehand, and everything shown is kept.
// An unexpected question is answered No / Cancel and recorded, so a test can see it.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "open", "save", "question", "error", "information"
        QString caption;
        QString text;
        FileRequest request;
        QString detail = {}; // the replace text of a replace dialog; an encoding chooser's title
    };

    QQueue<QString> nextFileNames; // an empty string means Cancel
    QQueue<bool> nextAnswers;      // true means Yes
    QList<Shown> shown;
    QQueue<FontChoice> nextFonts;         // none left means Cancel
    QQueue<PrintSettings> nextPrinters;   // none left means Cancel
    QQueue<QString> nextEncodings;        // an empty string means Cancel; none left, the guess
    QQueue<QList<int>> nextChoices;       // none left means Cancel
    SearchTarget *searchTarget = nullptr; // what the last find or replace dialog acts on
    int stopProgressAt = -1; // a long task is stopped at this report of its progress; -1 never
    QStringList progress;    // the texts of the long tasks run, kept apart from what was shown

    QString openFileName(const FileRequest &request) override;
    QString saveFileName(const FileRequest &request) override;
    bool askYesNo(const QString &caption, const QString &text) override;
    void showError(const QString &text) override;
    void showInformation(const QString &caption, const QString &text) override;
    bool chooseFont(FontChoice &choice) override;
    bool choosePrinter(PrintSettings &settings) override;
    // Kept as "encoding" with the guess as caption and its preview as text.
    QString chooseEncoding(const EncodingRequest &request) override;
    void showSearch(SearchTarget &target, bool replace, const QString &text,
                    const QString &replacement) override;
    void showWarning(const QString &text) override;
    // Kept as "choice" with the text, the items one a line as detail.
    QList<int> chooseItems(const QString &caption, const QString &text, const QStringList &items,
                           bool several) override;
    void beep() override;
    // Kept as "busy" with the text; the end as "busy" with none.
    void showBusy(const QString &text) override;
    // Kept as "busy" too; stopped at report stopProgressAt.
    bool showStoppable(const QString &text) override;
    // Not kept; stopped at report stopProgressAt, counted with those of showStoppable.
    bool goOn(bool stopPressed) override;
    // Kept in progress; the task runs on its thread.
    bool runWithProgress(const QString &text,
                         const std::function<void(const Progress &)> &task) override;
    // How many entries of a kind were shown.
    int count(const QString &kind) const;

    QStringList errors() const;

private:
    int FStoppableReports = 0; // reports told to showStoppable
};

// Installs scripted dialogs for the life of a test and restores the previous ones after.
class ScopedScriptedDialogs : public ScriptedDialogs {
public:
    ScopedScriptedDialogs();
    ~ScopedScriptedDialogs() override;

private:
    Dialogs *FPrevious;
};

} // namespace quil
