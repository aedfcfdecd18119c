// The abstract view: the stored RTF of the current entry is rendered, Symbol-font characters
// are visible, plain stored text is shown as it is, and moves and stores are followed; a
// hidden view reads nothing until it is shown.
#include "AppFixture.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

class TestRichView : public QObject {
    Q_OBJECT
private slots:
    void showsTheCurrentAbstract();
    void followsMovesAndStores();
};

void TestRichView::showsTheCurrentAbstract()
{
    AppFixture app;
    const QString path =
        app.makeLibrary("View.mdb", {{"А", "Первая", "2001"}, {"Б", "Вторая", "2002"}});
    execOn(path,
           {"UPDATE Books SET Resume = '{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil"
            "\\fcharset204 Times New Roman;}{\\f1\\fnil\\fcharset2 Symbol;}}\\f0\\b \\''e0\\b0 "
            "{\\f1\\''61\\''a3}\\par}' WHERE City = '2001'",
            "UPDATE Books SET Resume = 'New' WHERE City = '2002'"});
    app.start();
    app.pick(path);
    QCOMPARE(app.dialogs.errors(), QStringList());

    QTextDocument *doc = running().Form1->RxDBedView->document();
    QCOMPARE(doc->toRawText(), QString::fromUtf8("аα≤"));
    QTextCursor bold(doc);
    bold.setPosition(1);
    QCOMPARE(bold.charFormat().fontWeight(), int(QFont::Bold));
    // The Symbol characters come in a face that has them, so they are not drawn as blanks.
    QTextCursor symbol(doc);
    symbol.setPosition(2);
    const QFont shown = symbol.charFormat().font();
    QVERIFY2(QFontMetrics(shown).inFontUcs4(0x3B1), qPrintable(QFontInfo(shown).family()));
    QVERIFY(QFontMetrics(shown).inFontUcs4(0x2264));

    running().Form1->siNextClick();
    QCOMPARE(running().Form1->RxDBedView->document()->toRawText(), QString("New"));

    // Hidden, the view reads no abstract; shown again, it shows the current one.
    quil::DBRichView *view = running().Form1->RxDBedView;
    view->hide();
    const QTextDocument *hidden = view->document();
    running().Form1->siPriorClick();
    QVERIFY(view->document() == hidden); // the one it showed, not a new one
    QCOMPARE(view->document()->toRawText(), QString("New"));
    view->show();
    QCOMPARE(view->document()->toRawText(), QString::fromUtf8("аα≤"));
}

void TestRichView::followsMovesAndStores()
{
    AppFixture app;
    const QString path = app.makeLibrary(
        "Same.mdb", {{"А", "Первая", "2001"}, {"Б", "Вторая", "2002"}, {"В", "Третья", "2003"}});
    QStringList lines;
    for (int i = 0; i < 60; ++i)
        lines << QString("line %1 of a long abstract").arg(i);
    execOn(path, {"UPDATE Books SET Resume = '" + lines.join("\r\n") + "' WHERE City < '2003'",
                  "UPDATE Books SET Resume = 'third' WHERE City = '2003'"});
    app.start();
    app.pick(path);
    quil::DBRichView *view = running().Form1->RxDBedView;
    view->resize(300, 100);
    QScrollBar *bar = view->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    // The next entry holds the same abstract: it is shown from its start all the same.
    bar->setValue(bar->maximum());
    running().Form1->siNextClick();
    QCOMPARE(view->document()->toRawText(), lines.join(QChar(0x2029)));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(view->textCursor().position(), 0);
    // An abstract stored from the editor is what the view shows next.
    running().Form1->mmAbstractClick();
    running().FormEdit->Editor->setSelStart(0);
    QTest::keyClicks(running().FormEdit->Editor, "new ");
    running().FormEdit->SaveTableBtn->click();
    QCOMPARE(app.dialogs.errors(), QStringList());
    QVERIFY(view->document()->toRawText().startsWith("new line 0"));
    running().Form1->siNextClick();
    QCOMPARE(view->document()->toRawText(), QString("third"));
}

QTEST_MAIN(TestRichView)
#include "test_richview.moc"
