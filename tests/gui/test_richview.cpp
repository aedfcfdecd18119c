// The abstract view: the stored RTF of the current entry is rendered, Symbol-font characters
// are visible, and plain stored text is shown as it is.
#include "AppFixture.h"

#include <QFontMetrics>
#include <QTextBlock>
#include <QTextDocument>

class TestRichView : public QObject {
    Q_OBJECT
private slots:
    void showsTheCurrentAbstract();
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

    QTextDocument *doc = Form1->RxDBedView->document();
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

    Form1->siNextClick();
    QCOMPARE(Form1->RxDBedView->document()->toRawText(), QString("New"));
}

QTEST_MAIN(TestRichView)
#include "test_richview.moc"
