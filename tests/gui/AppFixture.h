#pragma once
// The program started the way main() starts it, over a temporary program folder, with
// scripted dialogs, and helpers that write and read library files straight through SQL.

#include "LibraryFixture.h"
#include "ScopedTmpfs.h"
#include "TestSupport.h"

#include "app/Startup.h"
#include "app/TForm1.h"
#include "editor/gui/TFormEdit.h"
#include "platform/KeyboardLayout.h"
#include "platform/ScriptedDialogs.h"
#include "platform/gui/QuilApplication.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/DBMemo.h"
#include "widgets/DBRichView.h"

#include <QFile>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

// A keyboard layout whose language the test sets and switches.
class FakeKeyboardLayout : public quil::KeyboardLayout {
public:
    int language = quil::LanguageRussian;
    int currentLanguage() const override { return language; }
    void switchTo(int newLanguage)
    {
        language = newLanguage;
        emit switched();
    }
};

// Triggers a command as the user would: only an enabled item can be chosen.
inline void trigger(QAction *item)
{
    QVERIFY2(item->isEnabled(), qPrintable(item->objectName() + " is disabled"));
    item->trigger();
}

class AppFixture {
public:
    TempProgramFolder folder;
    quil::ScopedScriptedDialogs dialogs;
    FakeKeyboardLayout keyboard;
    quil::KeyboardLayout *previousKeyboard = &quil::keyboardLayout();
    std::unique_ptr<Program> program;

    // Notebook files are written unless told otherwise, so start-up reports nothing.
    explicit AppFixture(bool withNotes = true)
    {
        current() = this;
        quil::setKeyboardLayout(&keyboard);
        if (withNotes) {
            writeBytes(folder.file("Info.txt"), "");
            writeBytes(folder.file("Terms.txt"), "");
        }
    }
    ~AppFixture()
    {
        program.reset();
        quil::setKeyboardLayout(previousKeyboard);
        current() = nullptr;
    }
    AppFixture(const AppFixture &) = delete;
    AppFixture &operator=(const AppFixture &) = delete;

    // The fixture of the running test case: one at a time.
    static AppFixture *&current()
    {
        static AppFixture *fixture = nullptr;
        return fixture;
    }

    void start()
    {
        program = std::make_unique<Program>(folder.path());
        program->Form1->show();
    }

    QString library(const QString &file) const { return library::folder(folder.path()) + file; }

    QString makeLibrary(const QString &file, const QList<Entry> &entries = {})
    {
        const QString path = library(file);
        library::create(path);
        execOn(path, {}, entries);
        return path;
    }

    // Makes a library, starts the program and opens the library; returns its path.
    QString startWithLibrary(const QString &file, const QList<Entry> &entries = {})
    {
        const QString path = makeLibrary(file, entries);
        start();
        pick(path);
        return path;
    }

    // Picks a file in the open dialog of "Библиотека" (empty: cancel).
    void pick(const QString &path)
    {
        dialogs.nextFileNames.enqueue(path);
        trigger(program->Form1->SelectLibrary);
    }

    quil::Table &table() const { return program->DataModule1->ADOTable; }
    QString currentName() const { return program->DataModule1->ADOTableName->AsString(); }
};

// The program the running test case started, its four windows and modules.
inline Program &running()
{
    AppFixture *fixture = AppFixture::current();
    QTEST_ASSERT(fixture && fixture->program);
    return *fixture->program;
}

// A library on a small medium that is then made read-only, with its bytes as they were. The
// program is closed before the medium is let go. Not mounted where the test may not mount.
class ReadOnlyLibrary {
public:
    ReadOnlyLibrary(AppFixture &app, const QString &file, const QList<Entry> &entries)
        : FApp(app), FMedium(app.folder.file("DBase"), "size=4m")
    {
        mounted = FMedium.mounted();
        if (!mounted)
            return;
        path = app.makeLibrary(file, entries);
        readOnly = FMedium.remountReadOnly();
        bytes = readBytes(path);
    }
    ~ReadOnlyLibrary() { FApp.program.reset(); }
    ReadOnlyLibrary(const ReadOnlyLibrary &) = delete;
    ReadOnlyLibrary &operator=(const ReadOnlyLibrary &) = delete;

    bool mounted = false;
    bool readOnly = false;
    QString path;
    QByteArray bytes;

private:
    AppFixture &FApp;
    ScopedTmpfs FMedium;
};

// Replaces what a record-pane memo holds by typing.
inline void typeInto(QPlainTextEdit *memo, const QString &text)
{
    memo->selectAll();
    QTest::keyClicks(memo, text);
}

// Types as the keyboard does, Cyrillic included: key events that carry their text.
inline void typeKeys(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Replaces what a one-line edit holds by typing.
inline void typeText(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeKeys(edit, text);
}

// Tests run under the program's own application object, which reports what handlers raise.
#define QUIL_APP_TEST_MAIN(TestClass)                                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        quil::QuilApplication app(argc, argv);                                                     \
        app.setQuitOnLastWindowClosed(false);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
