// The dialogs as the user sees them: the editor's open filter lists the abstract files whatever
// the case of their extension, under the label the program gives; no dialog opens behind the
// abstract editor, which stays on top.
#include "LibraryFixture.h"

#include "platform/gui/QtPlatform.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <optional>

class TestEditorFileDialog : public QObject {
    Q_OBJECT
private slots:
    void openFilterIgnoresCase_data();
    void openFilterIgnoresCase();
    void dialogsOpenAboveStayOnTopWindow();
    void saveStartsOnTheProposedFile();
    void fontDialogKeepsWhatItWasGiven();
};

void TestEditorFileDialog::openFilterIgnoresCase_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("listed");
    const QStringList abstracts{"B.RTF", "D.TXT", "a.rtf", "c.txt", "f.Rtf"};
    QTest::newRow("label with its own parentheses") << "TXT&RTF Files (*.txt,*.rtf)|*.TXT;*.RTF"
                                                    << "TXT&RTF Files (*.txt,*.rtf)" << abstracts;
    QTest::newRow("label without patterns") << "Библиотеки|*.mdb"
                                            << "Библиотеки (*.mdb)" << QStringList{"g.MDB"};
    QTest::newRow("patterns with blanks and digits")
        << "Rich Text Files (*.RTF)|*.RTF *.r2"
        << "Rich Text Files (*.RTF)" << QStringList{"B.RTF", "a.rtf", "f.Rtf", "h.r2"};
}

void TestEditorFileDialog::openFilterIgnoresCase()
{
    QFETCH(QString, filter);
    QFETCH(QString, shown);
    QFETCH(QStringList, listed);
    QTemporaryDir dir;
    for (const char *name : {"a.rtf", "B.RTF", "c.txt", "D.TXT", "f.Rtf", "e.doc", "g.MDB", "h.r2"})
        writeBytes(dir.filePath(name), "x");

    QStringList seen;
    QString label;
    // The dialog is modal: look at it once its folder is listed, then cancel it.
    std::function<void(int)> inspect = [&](int triesLeft) {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *list = dialog ? dialog->findChild<QListView *>("listView") : nullptr;
        const int rows = list ? list->model()->rowCount(list->rootIndex()) : 0;
        if (dialog && (rows >= listed.size() || triesLeft == 0)) {
            for (int r = 0; r < rows; ++r)
                seen << list->model()->index(r, 0, list->rootIndex()).data().toString();
            label = dialog->findChild<QComboBox *>("fileTypeCombo")->currentText();
            dialog->reject();
            return;
        }
        QTimer::singleShot(50, [&, triesLeft] { inspect(triesLeft - 1); });
    };
    QTimer::singleShot(50, [&] { inspect(100); });
    quil::QtDialogs dialogs;
    quil::Dialogs::FileRequest request;
    request.filter = filter;
    request.initialFolder = dir.path();
    QCOMPARE(dialogs.openFileName(request), QString());
    seen.sort();
    QCOMPARE(seen, listed);
    QCOMPARE(label, shown);
}

void TestEditorFileDialog::dialogsOpenAboveStayOnTopWindow()
{
    quil::QtDialogs dialogs;
    // Runs one dialog and tells whether it was to stay on top when it showed.
    auto staysOnTop = [](const std::function<void()> &run) {
        std::optional<bool> seen;
        std::function<void(int)> inspect = [&](int triesLeft) {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                seen = modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                modal->close();
            } else if (triesLeft > 0) {
                QTimer::singleShot(20, [&, triesLeft] { inspect(triesLeft - 1); });
            }
        };
        QTimer::singleShot(20, [&] { inspect(100); });
        run();
        return seen;
    };
    auto ask = [&] { dialogs.askYesNo(QStringLiteral("Внимание!!!"), QStringLiteral("?")); };
    auto error = [&] { dialogs.showError(QStringLiteral("Ошибка")); };
    auto open = [&] { dialogs.openFileName({}); };
    auto save = [&] { dialogs.saveFileName({}); };

    QCOMPARE(staysOnTop(ask), std::optional<bool>(false));
    QCOMPARE(staysOnTop(open), std::optional<bool>(false));

    QWidget main;
    main.show();
    QWidget editor;
    editor.setWindowFlag(Qt::WindowStaysOnTopHint);
    editor.show();
    QApplication::setActiveWindow(&main);
    for (const std::function<void()> &run : {std::function<void()>(ask), {error}, {open}, {save}})
        QCOMPARE(staysOnTop(run), std::optional<bool>(true));

    editor.hide();
    QCOMPARE(staysOnTop(ask), std::optional<bool>(false));
}

void TestEditorFileDialog::saveStartsOnTheProposedFile()
{
    // The proposal is a whole path in the start folder, as the editor's "Save As" makes it.
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("Abstract"));
    const QString folder = dir.filePath("Abstract");
    QString shownFolder, shownName;
    std::function<void(int)> inspect = [&](int triesLeft) {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            shownFolder = dialog->directory().absolutePath();
            shownName = dialog->findChild<QLineEdit *>("fileNameEdit")->text();
            dialog->reject();
        } else if (triesLeft > 0) {
            QTimer::singleShot(20, [&, triesLeft] { inspect(triesLeft - 1); });
        }
    };
    QTimer::singleShot(20, [&] { inspect(100); });
    quil::QtDialogs dialogs;
    quil::Dialogs::FileRequest request;
    request.filter = QStringLiteral("Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT");
    request.initialFolder = folder;
    request.fileName = folder + QStringLiteral("/Заглавие.Abstract.rtf");
    QCOMPARE(dialogs.saveFileName(request), QString());
    QCOMPARE(shownFolder, QDir(folder).absolutePath());
    // The spelling "Save in RTF File" uses: on this system ".RTF" would be another file.
    QCOMPARE(shownName, QStringLiteral("Заглавие.Abstract.rtf"));
}

void TestEditorFileDialog::fontDialogKeepsWhatItWasGiven()
{
    // A face this system may lack, as abstracts from the other system name it, in bold red.
    quil::Dialogs::FontChoice choice{QFont(QStringLiteral("Times New Roman"), 14, QFont::Bold),
                                     QColor(255, 0, 0)};
    bool offersColour = false;
    std::function<void(int)> confirm = [&](int triesLeft) {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            offersColour = dialog->findChild<QPushButton *>("ColorBtn") != nullptr;
            QTest::keyClick(dialog, Qt::Key_Return);
        } else if (triesLeft > 0) {
            QTimer::singleShot(20, [&, triesLeft] { confirm(triesLeft - 1); });
        }
    };
    QTimer::singleShot(20, [&] { confirm(100); });
    quil::QtDialogs dialogs;
    QVERIFY(dialogs.chooseFont(choice));
    // OK without changes gives back what the dialog was started with.
    QCOMPARE(choice.font.family(), QStringLiteral("Times New Roman"));
    QCOMPARE(choice.font.pointSize(), 14);
    QVERIFY(choice.font.bold());
    QVERIFY(!choice.font.italic());
    QCOMPARE(choice.color, QColor(255, 0, 0));
    QVERIFY(offersColour);
}

QTEST_MAIN(TestEditorFileDialog)
#include "test_editor_filedialog.moc"
