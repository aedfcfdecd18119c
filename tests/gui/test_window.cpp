// The main window as the mouse and the keyboard reach it: the wheel and the double click over
// every part of the grid, columns that hold the shortened texts, Tab in the record pane, and the
// focus of notebooks sent behind.
#include "AppFixture.h"

#include "app/QtTranslations.h"
#include "platform/gui/Tag.h"
#include "widgets/DBGrid.h"
#include "widgets/DBRichEdit.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QTranslator>

namespace {

QList<Entry> numberedEntries(int count)
{
    QList<Entry> entries;
    for (int i = 0; i < count; ++i)
        entries.append({QStringLiteral("Автор %1").arg(i, 3, 10, QLatin1Char('0')),
                        QStringLiteral("Книга %1").arg(i), QStringLiteral("2000")});
    return entries;
}

// The part of the main grid a row of the data tables names.
QWidget *gridPart(const QString &part)
{
    quil::DBGrid *grid = running().Form1->DBGrid;
    if (part == "cells")
        return grid->viewport();
    if (part == "scroll bar")
        return grid->verticalScrollBar();
    if (part == "title row")
        return grid->horizontalHeader()->viewport();
    if (part == "indicator")
        return grid->verticalHeader()->viewport();
    return nullptr;
}

void turnWheelOver(QWidget *widget, int distance)
{
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, distance), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

bool currentRowInSight()
{
    quil::DBGrid *grid = running().Form1->DBGrid;
    const QRect row = grid->visualRect(grid->currentIndex());
    return row.top() >= 0 && row.bottom() < grid->viewport()->height();
}

// Sends one key press and release to whatever has the keyboard focus.
void keyToFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                const QString &text = {})
{
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, key, modifiers);
    if (!text.isEmpty())
        QTest::keyClicks(QApplication::focusWidget(), text);
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void wheelOverAnyPartMovesOneRecord_data();
    void wheelOverAnyPartMovesOneRecord();
    void doubleClickAnywhereTogglesEditor_data();
    void doubleClickAnywhereTogglesEditor();
    void columnsHoldShortenedTexts();
    void tabInRecordPaneMovesOn();
    void notebookSentBehindLosesFocus_data();
    void notebookSentBehindLosesFocus();
    void textTypedAfterMoveIsPlain();
    void qtTextsFollowTheLocale_data();
    void qtTextsFollowTheLocale();
    void qtTextsInRussianWithoutLocale();
};

void TestWindow::wheelOverAnyPartMovesOneRecord_data()
{
    QTest::addColumn<QString>("part");
    for (const char *part : {"cells", "scroll bar", "title row", "indicator"})
        QTest::newRow(part) << QString::fromLatin1(part);
}

void TestWindow::wheelOverAnyPartMovesOneRecord()
{
    QFETCH(QString, part);
    AppFixture app;
    app.startWithLibrary("Many.mdb", numberedEntries(80));
    QVERIFY(QTest::qWaitForWindowExposed(running().Form1));
    QWidget *target = gridPart(part);
    QVERIFY(target);
    const int firstVisibleBefore = running().Form1->DBGrid->rowAt(0);

    turnWheelOver(target, -120);
    QCOMPARE(app.table().RecNo(), 2);
    turnWheelOver(target, -960); // one record, whatever the distance
    QCOMPARE(app.table().RecNo(), 3);
    turnWheelOver(target, 120);
    QCOMPARE(app.table().RecNo(), 2);
    QCOMPARE(running().Form1->DBGrid->rowAt(0), firstVisibleBefore);

    // Down to the end the view follows the current record instead of scrolling past it.
    app.table().Last();
    turnWheelOver(target, 120);
    QCOMPARE(app.table().RecNo(), 79);
    QVERIFY(currentRowInSight());
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("79 из 80"));

    // The selection grid keeps the ordinary wheel.
    QVERIFY(!running().Form1->DBgrQuery->wheelMovesRecord);
}

void TestWindow::doubleClickAnywhereTogglesEditor_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<bool>("belowTheRows");
    QTest::newRow("a cell") << "cells" << false;
    QTest::newRow("empty area below the rows") << "cells" << true;
    QTest::newRow("title row") << "title row" << false;
    QTest::newRow("indicator") << "indicator" << false;
}

void TestWindow::doubleClickAnywhereTogglesEditor()
{
    QFETCH(QString, part);
    QFETCH(bool, belowTheRows);
    AppFixture app;
    app.startWithLibrary("Two.mdb", numberedEntries(2));
    QVERIFY(QTest::qWaitForWindowExposed(running().Form1));
    QWidget *target = gridPart(part);
    QPoint at(target->width() / 4, 5);
    if (belowTheRows) {
        at.setY(target->height() - 5);
        QCOMPARE(running().Form1->DBGrid->rowAt(at.y()), -1);
    }

    QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(tag(running().Form1->mmAbstract), 1);
    QVERIFY(running().FormEdit->isVisible());
    QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(tag(running().Form1->mmAbstract), 0);
    QVERIFY(!running().FormEdit->isVisible());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestWindow::columnsHoldShortenedTexts()
{
    AppFixture app;
    const QString longName = QString(70, QChar(u'Ж'));
    const QString longTitle = QStringLiteral("W") + QString(80, QChar(u'ш'));
    app.startWithLibrary("Long.mdb", {{longName, longTitle, "1999"}});
    quil::DBGrid *grid = running().Form1->DBGrid;
    const auto shown = [grid](int column) {
        return grid->gridModel()->index(0, column).data().toString();
    };
    QVERIFY2(shown(0).endsWith(" ...") && shown(1).endsWith(" ..."), qPrintable(shown(1)));

    const int designRowHeight = grid->rowHeight(0);
    for (const char *size : {"design", "enlarged", "design again"}) {
        const QFontMetrics metrics(grid->gridModel()->cellFont);
        const int padding = quil::DBGridDelegate::horizontalPadding(grid);
        for (int column = 0; column < 3; ++column) {
            const int needed = metrics.horizontalAdvance(shown(column)) + padding;
            QVERIFY2(grid->columnWidth(column) >= needed,
                     qPrintable(QStringLiteral("%1, column %2: %3 < %4")
                                    .arg(size)
                                    .arg(column)
                                    .arg(grid->columnWidth(column))
                                    .arg(needed)));
        }
        QVERIFY2(grid->rowHeight(0) >= metrics.height() + 4, size);
        // Back at the design fonts, the rows are as high as at the start.
        if (QByteArray(size) == "design again")
            QCOMPARE(grid->rowHeight(0), designRowHeight);
        // The design widths are the least a column gets.
        QVERIFY2(grid->columnWidth(0) >= 401 && grid->columnWidth(1) >= 530 &&
                     grid->columnWidth(2) >= 56,
                 size);
        trigger(running().Form1->mmSizeTable);
    }

    // On a wide screen the title column takes the rest: no gap right of the columns.
    for (const QSize window : {QSize(1280, 1024 - 30), QSize(1366, 768 - 30)}) {
        running().Form1->resize(window);
        for (int round = 0; round < 2; ++round) {
            QCoreApplication::processEvents();
            const int columns = grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2);
            QCOMPARE(columns, grid->viewport()->width());
            trigger(running().Form1->mmSizeTable);
        }
    }
}

void TestWindow::tabInRecordPaneMovesOn()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Автор", "Книга", "2000"}});
    QVERIFY(QTest::qWaitForWindowActive(running().Form1));
    running().Form1->DBmeName->setFocus();
    QCOMPARE(QApplication::focusWidget(), running().Form1->DBmeName);

    // Tab walks the record pane from top to bottom and types nothing.
    QStringList walked;
    for (int i = 0; i < 5; ++i) {
        keyToFocus(Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walked,
             QStringList({"DBmeTitle", "DBmePub", "DBedLocation", "DBedCityYear", "DBmeComment"}));
    keyToFocus(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), running().Form1->DBedCityYear);
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("Автор"));
    QCOMPARE(running().Form1->DBmeTitle->toPlainText(), QStringLiteral("Книга"));
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);

    // Ctrl+Tab types a tab character, which is stored with the record.
    running().Form1->DBmeName->setFocus();
    running().Form1->DBmeName->moveCursor(QTextCursor::End);
    keyToFocus(Qt::Key_Tab, Qt::ControlModifier, QStringLiteral("x"));
    QCOMPARE(QApplication::focusWidget(), running().Form1->DBmeName);
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("Автор\tx"));
    trigger(running().Form1->mmSave);
    QCOMPARE(storedRows(path, "WName, Name"), QStringList({"Автор\tx|Автор\tx"}));
}

void TestWindow::notebookSentBehindLosesFocus_data()
{
    QTest::addColumn<QString>("front"); // what comes to the front of the abbreviations
    QTest::newRow("terms") << "meTerms";
    QTest::newRow("abstract view by a double click") << "RxDBedView";
}

void TestWindow::notebookSentBehindLosesFocus()
{
    QFETCH(QString, front);
    AppFixture app;
    writeBytes(app.folder.file("Info.txt"), "GOST\r\n");
    app.startWithLibrary("Books.mdb", {{"Автор", "Книга", "2000"}});
    QVERIFY(QTest::qWaitForWindowActive(running().Form1));
    trigger(running().Form1->mmInfo);
    running().Form1->meInfo->setFocus();
    running().Form1->meInfo->selectAll();
    QCOMPARE(QApplication::focusWidget(), running().Form1->meInfo);

    if (front == "meTerms")
        trigger(running().Form1->mmTerms);
    else
        QTest::mouseDClick(running().Form1->meInfo->viewport(), Qt::LeftButton);
    // The pane in front takes the keys.
    QVERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), front);

    // The next key changes no notebook out of sight and no file.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("z"));
    QCOMPARE(running().Form1->meInfo->toPlainText(), QStringLiteral("GOST\n"));
    QCOMPARE(readBytes(app.folder.file("Info.txt")), QByteArray("GOST\r\n"));
}

void TestWindow::textTypedAfterMoveIsPlain()
{
    AppFixture app;
    const QString path = app.makeLibrary("Books.mdb", {{"А", "1", "2001"}, {"Б", "2", "2002"}});
    const QString formattedStart =
        QStringLiteral("{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}"
                       "{\\b\\i\\ul\\strike\\super\\cf1 Formatted} plain.}");
    execOn(path, {"UPDATE Books SET Resume = '" + formattedStart + "' WHERE Name = 'Б'"});
    app.start();
    app.pick(path);
    trigger(running().Form1->mmAbstract);
    quil::DBRichEdit *editor = running().FormEdit->Editor;
    const auto formatAt = [editor](int position) {
        QTextCursor cursor(editor->document());
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        return cursor.charFormat();
    };

    running().Form1->siNext->click();
    QCOMPARE(app.currentName(), QStringLiteral("Б"));
    QCOMPARE(editor->textCursor().position(), 0);
    // The abstract shown starts with formatted text, which the caret would take on.
    QVERIFY(formatAt(0).font().bold() && formatAt(0).fontStrikeOut());
    QCOMPARE(formatAt(0).verticalAlignment(), QTextCharFormat::AlignSuperScript);

    QTest::keyClicks(editor, QStringLiteral("x"));
    QCOMPARE(editor->toPlainText(), QStringLiteral("xFormatted plain."));
    const QTextCharFormat typed = formatAt(0);
    QCOMPARE(typed.font().bold(), false);
    QCOMPARE(typed.fontItalic(), false);
    QCOMPARE(typed.fontUnderline(), false);
    QCOMPARE(typed.fontStrikeOut(), false);
    QCOMPARE(typed.verticalAlignment(), QTextCharFormat::AlignNormal);
    QCOMPARE(typed.foreground().color(), QColor(Qt::black));
    // The stored text keeps its format.
    QVERIFY(formatAt(1).font().bold());
    QCOMPARE(formatAt(1).foreground().color(), QColor(Qt::red));
}

void TestWindow::qtTextsFollowTheLocale_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("translation");
    QTest::newRow("C") << "C"
                       << "ru_RU";
    QTest::newRow("POSIX") << "POSIX"
                           << "ru_RU";
    QTest::newRow("Russian") << "ru_RU"
                             << "ru_RU";
    QTest::newRow("German") << "de_DE"
                            << "de_DE";
    QTest::newRow("English") << "en_GB"
                             << "en_GB";
}

void TestWindow::qtTextsFollowTheLocale()
{
    QFETCH(QString, system);
    QFETCH(QString, translation);
    QCOMPARE(qttranslations::locale(QLocale(system)).name(), translation);
}

void TestWindow::qtTextsInRussianWithoutLocale()
{
    // The tests run in the C locale, as a desktop with no locale set.
    QCOMPARE(QLocale::system().language(), QLocale::C);
    const auto cyrillic = [](const QString &text) {
        return std::any_of(text.begin(), text.end(),
                           [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
    };
    const auto yesNoTexts = [] {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Внимание!!!"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No);
        return box.button(QMessageBox::Yes)->text() + QLatin1Char('/') +
               box.button(QMessageBox::No)->text() + QLatin1Char('|') + box.windowTitle();
    };
    const QString english = yesNoTexts();
    QVERIFY2(!cyrillic(english.section(QLatin1Char('|'), 0, 0)), qPrintable(english));

    QTranslator *translator = qttranslations::install(*QCoreApplication::instance());
    QVERIFY(translator);
    const QString russian = yesNoTexts();
    const QString lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
    const QString fileName = QCoreApplication::translate("QFileDialog", "File &name:");
    QCoreApplication::removeTranslator(translator);
    delete translator;

    QVERIFY2(cyrillic(russian.section(QLatin1Char('|'), 0, 0)), qPrintable(russian));
    QVERIFY2(cyrillic(lookIn) && cyrillic(fileName), qPrintable(lookIn + " " + fileName));
    // The program's own caption stays as it is written.
    QCOMPARE(russian.section(QLatin1Char('|'), 1), QStringLiteral("Внимание!!!"));
}

QUIL_APP_TEST_MAIN(TestWindow)
#include "test_window.moc"
