// The editor's tool widgets: the clipboard watch, the symbol palette's list and the X11 key
// synthesiser where there is no X server.
#include "editor/SymbolPalette.h"
#include "editor/gui/SymbolList.h"
#include "editor/gui/TListBoxForever.h"
#include "platform/Error.h"
#include "platform/ScriptedDialogs.h"
#include "platform/TClipboardMonitor.h"
#include "platform/gui/XTestKeySynthesizer.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QtTest>

class TestEditorToolWidgets : public QObject {
    Q_OBJECT

private slots:
    void clipboardMonitorSeesEveryChange();
    void clipboardMonitorErrorsAreReported();
    void symbolListLayout();
    void noKeySynthesisWithoutX11();
};

void TestEditorToolWidgets::clipboardMonitorSeesEveryChange()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    int changes = 0;
    auto *owner = new QObject;
    auto *monitor = new TClipboardMonitor(owner);
    monitor->OnChange = [&] { ++changes; };
    QVERIFY(monitor->Enabled());

    clipboard->setText(QStringLiteral("первый"));
    QCOMPARE(changes, 1);
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<b>второй</b>"));
    clipboard->setMimeData(mime);
    QCOMPARE(changes, 2);
    clipboard->clear();
    QCOMPARE(changes, 3);
    // The other selection of X11 is not the clipboard.
    if (clipboard->supportsSelection()) {
        clipboard->setText(QStringLiteral("x"), QClipboard::Selection);
        QCOMPARE(changes, 3);
    }

    monitor->setEnabled(false);
    QVERIFY(!monitor->Enabled());
    clipboard->setText(QStringLiteral("не видно"));
    QCOMPARE(changes, 3);
    monitor->setEnabled(true);
    monitor->setEnabled(true); // enabling twice listens once
    clipboard->setText(QStringLiteral("снова"));
    QCOMPARE(changes, 4);

    // Freed with its owner, it raises nothing more.
    delete owner;
    clipboard->setText(QStringLiteral("после"));
    QCOMPARE(changes, 4);
}

void TestEditorToolWidgets::clipboardMonitorErrorsAreReported()
{
    quil::ScopedScriptedDialogs dialogs;
    TClipboardMonitor monitor;
    int calls = 0;
    monitor.OnChange = [&] {
        ++calls;
        throw quil::Error(QStringLiteral("Буфер обмена недоступен"));
    };
    QGuiApplication::clipboard()->setText(QStringLiteral("a"));
    QGuiApplication::clipboard()->setText(QStringLiteral("b"));
    QCOMPARE(calls, 2);
    QCOMPARE(dialogs.errors(), QStringList({QStringLiteral("Буфер обмена недоступен."),
                                            QStringLiteral("Буфер обмена недоступен.")}));
}

void TestEditorToolWidgets::symbolListLayout()
{
    QWidget panel;
    panel.resize(1023, 400);
    TListBoxForever *list = newSymbolList(&panel);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    QCOMPARE(list->objectName(), QStringLiteral("lbSymbol"));
    QCOMPARE(list->pos(), QPoint(639, 28));
    QVERIFY(list->width() >= 137 && list->height() >= 61);
    QCOMPARE(list->Columns(), 8);
    QCOMPARE(list->Tag, 0);
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    QCOMPARE(list->font().family(), QStringLiteral("Symbol"));
    QCOMPARE(list->font().pixelSize(), 16);

    QCOMPARE(list->count(), 25);
    const auto &items = quil::SymbolPalette::items();
    for (int i = 0; i < list->count(); ++i) {
        QCOMPARE(list->item(i)->text(), items[i].shown);
        QCOMPARE(symbolItemBytes(list->item(i)), items[i].stored);
    }
    QCOMPARE(symbolItemBytes(nullptr), QByteArray());

    // Items run down a column of rows of 19 pixels (more where the font's glyphs need it),
    // then on into the next of eight equal columns.
    const QRect first = list->visualItemRect(list->item(0));
    const QRect second = list->visualItemRect(list->item(1));
    QVERIFY(list->ItemHeight() >= 19);
    QCOMPARE(first.height(), list->ItemHeight());
    QCOMPARE(second.left(), first.left());
    QCOMPARE(second.top(), first.bottom() + 1);
    const int rows = list->viewport()->height() / list->ItemHeight();
    QVERIFY2(rows >= 2, qPrintable(QString::number(rows)));
    const QRect nextColumn = list->visualItemRect(list->item(rows));
    QCOMPARE(nextColumn.top(), first.top());
    QCOMPARE(nextColumn.left() - first.left(), list->viewport()->width() / 8);

    // Every item shows whole at the font it has here: its cell lies in the view, its glyphs
    // draw inside the cell and keep off the cell's edges, where a clipped glyph would end.
    const QImage shot = list->grab().toImage();
    const QPoint origin = list->viewport()->pos();
    for (int i = 0; i < list->count(); ++i) {
        const QRect cell = list->visualItemRect(list->item(i));
        const QString name = QString("item %1 %2 at %3,%4 %5x%6")
                                 .arg(i + 1)
                                 .arg(list->item(i)->text())
                                 .arg(cell.x())
                                 .arg(cell.y())
                                 .arg(cell.width())
                                 .arg(cell.height());
        QVERIFY2(list->viewport()->rect().contains(cell), qPrintable(name));
        const QRect onShot = cell.translated(origin);
        const int background = qGray(shot.pixel(onShot.topLeft()));
        int ink = 0, edgeInk = 0;
        for (int y = onShot.top(); y <= onShot.bottom(); ++y)
            for (int x = onShot.left(); x <= onShot.right(); ++x)
                if (std::abs(qGray(shot.pixel(x, y)) - background) > 64) {
                    ++ink;
                    edgeInk += x == onShot.left() || x == onShot.right() || y == onShot.top() ||
                               y == onShot.bottom();
                }
        QCOMPARE(ink > 0, !items[i].shown.trimmed().isEmpty());
        QVERIFY2(edgeInk == 0, qPrintable(name));
    }
}

void TestEditorToolWidgets::noKeySynthesisWithoutX11()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        QSKIP("runs on an X server: synthesis is available there");
    quil::XTestKeySynthesizer keys;
    QVERIFY(!keys.available());
    QCOMPARE(keys.scanCode(17), 0);
    keys.key(17, 0, false); // must not crash without a display
}

QTEST_MAIN(TestEditorToolWidgets)
#include "test_editortoolwidgets.moc"
