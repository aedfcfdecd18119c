// The reference and the reference with its abstract on the clipboard: how the reference is
// joined, that one text is published, and that a clipboard that cannot be had changes nothing.
#include "export/ClipboardExport.h"
#include "export/Reference.h"
#include "platform/Error.h"
#include "platform/ScriptedClipboard.h"

#include <QtTest>

class TestExportClipboard : public QObject {
    Q_OBJECT
private slots:
    void referenceJoin_data();
    void referenceJoin();
    void referenceAndAbstractPublishedOnce_data();
    void referenceAndAbstractPublishedOnce();
    void openingNests();
    void refusedClipboardKeepsItsText_data();
    void refusedClipboardKeepsItsText();
};

void TestExportClipboard::referenceJoin_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("publisher");
    QTest::addColumn<QString>("reference");
    QTest::newRow("three parts") << "Ландау Л.Д."
                                 << "Механика"
                                 << "М.: Наука"
                                 << "Ландау Л.Д. Механика М.: Наука";
    QTest::newRow("all empty: two blanks") << ""
                                           << ""
                                           << ""
                                           << "  ";
    QTest::newRow("missing title keeps both blanks") << "A"
                                                     << ""
                                                     << "P"
                                                     << "A  P";
    QTest::newRow("memo line break as CR LF") << "Иванов\nПетров"
                                              << "T"
                                              << "P"
                                              << "Иванов\r\nПетров T P";
    QTest::newRow("stored CR LF not doubled") << "a\r\nb"
                                              << "c\r\n"
                                              << "\rd"
                                              << "a\r\nb c\r\n \r\nd";
    QTest::newRow("paragraph and line separators") << QString("a") + QChar::ParagraphSeparator + "b"
                                                   << QString("c") + QChar::LineSeparator << ""
                                                   << "a\r\nb c\r\n ";
}

void TestExportClipboard::referenceJoin()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, publisher);
    QFETCH(QString, reference);
    QCOMPARE(Reference::join(name, title, publisher), reference);
}

void TestExportClipboard::referenceAndAbstractPublishedOnce_data()
{
    QTest::addColumn<QString>("abstract");
    QTest::newRow("two paragraphs") << "Первый абзац.\r\nВторой.";
    QTest::newRow("empty abstract: reference and CR LF") << "";
}

void TestExportClipboard::referenceAndAbstractPublishedOnce()
{
    QFETCH(QString, abstract);
    quil::ScriptedClipboard clipboard;
    clipboard.held = "what was there";
    ClipboardExport::copyReferenceAndAbstract(clipboard, "A T P", abstract);
    QCOMPARE(clipboard.published, QStringList{"A T P\r\n" + abstract});
    QCOMPARE(clipboard.held, "A T P\r\n" + abstract);
    QCOMPARE(clipboard.isOpen(), false);

    ClipboardExport::copyReference(clipboard, "B");
    QCOMPARE(clipboard.published.last(), QString("B"));
    QCOMPARE(clipboard.published.size(), 2);
}

void TestExportClipboard::openingNests()
{
    quil::ScriptedClipboard clipboard;
    clipboard.held = "old";
    {
        quil::ClipboardLock outer(clipboard);
        QCOMPARE(clipboard.text(), QString("old"));
        clipboard.setText("first");
        {
            quil::ClipboardLock inner(clipboard);
            clipboard.setText(clipboard.text() + " second");
            inner.close();
        }
        QCOMPARE(clipboard.published, QStringList());
        QCOMPARE(clipboard.text(), QString("first second"));
        outer.close();
    }
    QCOMPARE(clipboard.published, QStringList{"first second"});

    // Leaving without close (an error on the way) publishes nothing and closes all the same.
    try {
        quil::ClipboardLock lock(clipboard);
        clipboard.setText("half");
        throw quil::Error("on the way");
    } catch (const quil::Error &) {
    }
    QCOMPARE(clipboard.isOpen(), false);
    QCOMPARE(clipboard.held, QString("first second"));
    QCOMPARE(clipboard.published.size(), 1);
}

void TestExportClipboard::refusedClipboardKeepsItsText_data()
{
    QTest::addColumn<bool>("refuseOpen");
    QTest::addColumn<bool>("refusePublish");
    QTest::addColumn<bool>("withAbstract");
    QTest::newRow("held by another program, reference") << true << false << false;
    QTest::newRow("held by another program, with abstract") << true << false << true;
    QTest::newRow("write refused, reference") << false << true << false;
    QTest::newRow("write refused, with abstract") << false << true << true;
}

void TestExportClipboard::refusedClipboardKeepsItsText()
{
    QFETCH(bool, refuseOpen);
    QFETCH(bool, refusePublish);
    QFETCH(bool, withAbstract);
    quil::ScriptedClipboard clipboard;
    clipboard.held = "theirs";
    clipboard.refuseOpen = refuseOpen;
    clipboard.refusePublish = refusePublish;
    QString message;
    try {
        if (withAbstract)
            ClipboardExport::copyReferenceAndAbstract(clipboard, "R", "A");
        else
            ClipboardExport::copyReference(clipboard, "R");
    } catch (const quil::Error &e) {
        message = e.message();
    }
    QCOMPARE(message, QString("Cannot open clipboard"));
    QCOMPARE(clipboard.held, QString("theirs"));
    QCOMPARE(clipboard.published, QStringList());
    QCOMPARE(clipboard.isOpen(), false);

    // Once the other program lets go, the next copy works.
    clipboard.refuseOpen = clipboard.refusePublish = false;
    ClipboardExport::copyReference(clipboard, "R");
    QCOMPARE(clipboard.held, QString("R"));
}

QTEST_GUILESS_MAIN(TestExportClipboard)
#include "test_export_clipboard.moc"
