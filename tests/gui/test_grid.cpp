// The data grid on its own: rows follow the dataset's count and order, the current row and
// its indicator follow moves both ways, and a refused move leaves the grid where the data is.
#include "LibraryFixture.h"
#include "PaintCounter.h"
#include "TestSupport.h"

#include "db/DataSource.h"
#include "platform/Error.h"
#include "platform/ScriptedDialogs.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"
#include "widgets/DBGrid.h"
#include "widgets/StatusPanel.h"

#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

class TestGrid : public QObject {
    Q_OBJECT
private slots:
    void followsTheDataSet();
    void scrollBarRepaintsWhenItsSliderMoves();
    void longTextsShowAsLaidOutWhole();
    void paintsCellsAsTheStyle_data();
    void paintsCellsAsTheStyle();
};

namespace {
// A library of these entries in a new program folder, its table open in the given data module.
QString openLibraryOf(const TempProgramFolder &folder, const QList<Entry> &entries,
                      TDataModule1 &dm)
{
    const QString path = library::folder(folder.path()) + "g.mdb";
    library::create(path);
    execOn(path, {}, entries);
    dm.ADOConnection.setConnectionString("Data Source=" + path);
    dm.ADOConnection.Open();
    dm.ADOTable.setSort(book::DefaultSort);
    dm.ADOTable.Open();
    return path;
}
} // namespace

void TestGrid::followsTheDataSet()
{
    TempProgramFolder folder;
    quil::ScopedScriptedDialogs dialogs;
    TDataModule1 dm;
    const QString path = openLibraryOf(
        folder, {{"Борисов", "Б", "2002"}, {"Алексеев", "А", "2001"}, {"Васильев", "В", "2003"}},
        dm);

    quil::DBGrid grid;
    grid.setColumns({{book::Name, "Автор(ы)", 200}, {book::City, "Год", 50}});
    grid.setDataSource(&dm.DataSource);
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    auto *model = grid.gridModel();
    auto *indicator = qobject_cast<quil::DBGridIndicator *>(grid.verticalHeader());
    QVERIFY(indicator);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(0, 0).data().toString(), QString("Алексеев"));
    QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Автор(ы)"));
    QCOMPARE(grid.currentIndex().row(), 0);

    dm.ADOTable.Last();
    QCOMPARE(grid.currentIndex().row(), 2);
    QCOMPARE(indicator->currentRow(), 2);

    // The user picks a row: the dataset moves there.
    grid.setCurrentIndex(model->index(1, 0));
    QCOMPARE(dm.ADOTable.RecNo(), 2);
    QCOMPARE(indicator->currentRow(), 1);

    // A move repaints the rows it leaves and reaches; the titles above them show no selection
    // and stay as they were.
    QMap<QObject *, int> paints;
    PaintCounter counter(paints);
    for (QWidget *part : {grid.viewport(), grid.horizontalHeader()->viewport()})
        part->installEventFilter(&counter);
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    for (bool byUser : {false, true}) {
        paints.clear();
        if (byUser)
            grid.setCurrentIndex(model->index(1, 0));
        else
            dm.ADOTable.First();
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
        QCOMPARE(paints.value(grid.viewport()), 1);
        QCOMPARE(paints.value(grid.horizontalHeader()->viewport()), 0);
    }

    // A new record and a deletion change the rows.
    dm.ADOTable.Insert();
    dm.ADOTableWName->setAsString("Григорьев");
    dm.ADOTable.Post();
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(model->index(grid.currentIndex().row(), 0).data().toString(), QString("Григорьев"));
    dm.ADOTable.Delete();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(grid.currentIndex().row(), dm.ADOTable.RecNo() - 1);

    // A move that cannot store the record being edited is reported; the grid stays on it.
    execOn(
        path,
        {"CREATE TRIGGER refuse BEFORE UPDATE ON Books BEGIN SELECT RAISE(ABORT, 'refused'); END"});
    dm.ADOTable.Edit();
    dm.ADOTableWName->setAsString("изменён");
    const int before = dm.ADOTable.RecNo();
    grid.setCurrentIndex(model->index(before == 1 ? 2 : 0, 0));
    QCOMPARE(dialogs.errors().size(), 1);
    QCOMPARE(dm.ADOTable.RecNo(), before);
    QCOMPARE(grid.currentIndex().row(), before - 1);
    dm.ADOTable.Cancel();

    // Closing the dataset empties the grid.
    dm.ADOConnection.Close();
    QCOMPARE(model->rowCount(), 0);
}

// Following a long table moves the scroll bar's value on every move, and its slider only now
// and then: the bar is repainted when the slider moves, and only then.
void TestGrid::scrollBarRepaintsWhenItsSliderMoves()
{
    QList<Entry> rows;
    for (int i = 0; i < 400; ++i)
        rows << Entry{QStringLiteral("Автор %1").arg(i, 3, 10, QLatin1Char('0')), "T", "2000"};
    TempProgramFolder folder;
    quil::ScopedScriptedDialogs dialogs;
    TDataModule1 dm;
    openLibraryOf(folder, rows, dm);
    quil::DBGrid grid;
    grid.setColumns({{book::Name, "Автор(ы)", 200}});
    grid.setDataSource(&dm.DataSource);
    grid.resize(300, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QScrollBar *bar = grid.verticalScrollBar();
    QMap<QObject *, int> paints;
    PaintCounter counter(paints);
    bar->installEventFilter(&counter);
    const auto slider = [bar] {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                            QStyle::SC_ScrollBarSlider, bar);
    };
    int still = 0;
    int moved = 0;
    for (int move = 0; move < 60; ++move) {
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
        paints.clear();
        const QRect before = slider();
        const int value = bar->value();
        dm.ADOTable.Next();
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
        if (bar->value() == value)
            continue;
        // Leaving the top end counts as a move too: the style may draw its arrow anew.
        const bool slid = slider() != before || value == bar->minimum();
        ++(slid ? moved : still);
        QCOMPARE(paints.value(bar) > 0, slid);
    }
    // Both kinds of move were seen.
    QVERIFY2(still > 0 && moved > 0, qPrintable(QStringLiteral("%1 %2").arg(still).arg(moved)));
}

// A text much longer than its cell or panel is laid out only as far as it shows; what shows is
// what the whole text shows there, in a narrow place and again once the place is wider.
void TestGrid::longTextsShowAsLaidOutWhole()
{
    QString text;
    for (int i = 0; text.size() < 600; ++i)
        text += QStringLiteral("Слово%1 word ").arg(i);
    const auto cell = [&](const quil::DBGridDelegate &delegate, int width) {
        QTableView view;
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.widget = &view;
        option.rect = QRect(0, 0, width, 20);
        option.text = text;
        option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option.features |= QStyleOptionViewItem::HasDisplay;
        QImage image(width, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStandardItemModel model(1, 1);
        model.setItem(0, 0, new QStandardItem(text));
        delegate.paint(&painter, option, model.index(0, 0));
        return image;
    };
    const quil::DBGridDelegate narrowFirst;
    const QImage narrow = cell(narrowFirst, 150);
    const QImage wideAfter = cell(narrowFirst, 900);
    const QImage wide = cell(quil::DBGridDelegate(), 900);
    QCOMPARE(wideAfter, wide);
    // The narrow cell's text is the wide one's, cut at the narrow cell's edge.
    const int margin = quil::DBGridDelegate::horizontalPadding(nullptr) / 2;
    QCOMPARE(narrow.copy(0, 0, 150 - margin, 20), wide.copy(0, 0, 150 - margin, 20));

    quil::StatusPanel panel(QString{});
    panel.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel.setFixedWidth(200);
    panel.setPanelText(text);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const QImage small = panel.grab().toImage();
    const QRect inside = panel.contentsRect();
    panel.setFixedWidth(800);
    const QImage widened = panel.grab().toImage();
    quil::StatusPanel fresh(text);
    fresh.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    fresh.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    fresh.setFixedWidth(800);
    fresh.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    QCOMPARE(widened, fresh.grab().toImage());
    // The small panel's text is the wide one's, cut at the small panel's edge.
    const QRect shown(inside.left(), 0, inside.width(), small.height());
    QCOMPARE(small.copy(shown), widened.copy(shown));
}

void TestGrid::paintsCellsAsTheStyle_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("alternate");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QBrush>("background");
    const int on = QStyle::State_Enabled | QStyle::State_Active;
    const int selected = on | QStyle::State_Selected;
    QTest::newRow("plain") << on << false << true << QBrush();
    QTest::newRow("selected") << selected << false << true << QBrush();
    QTest::newRow("selected, window inactive")
        << int(QStyle::State_Enabled | QStyle::State_Selected) << false << true << QBrush();
    QTest::newRow("selected, grid disabled") << selected << false << false << QBrush();
    QTest::newRow("alternate row") << on << true << true << QBrush();
    QTest::newRow("selected alternate row") << selected << true << true << QBrush();
    QTest::newRow("current, focused")
        << (selected | QStyle::State_HasFocus) << false << true << QBrush();
    QTest::newRow("own background") << on << false << true << QBrush(Qt::yellow);
}

// A cell without text looks as the style's own item drawing makes it, whatever its state.
void TestGrid::paintsCellsAsTheStyle()
{
    QFETCH(int, state);
    QFETCH(bool, alternate);
    QFETCH(bool, enabled);
    QFETCH(QBrush, background);
    // The options a table gives its cells.
    struct Table : QTableView {
        using QTableView::initViewItemOption;
    };
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem());
    Table view;
    view.setModel(&model);
    view.setEnabled(enabled);
    QPalette palette = view.palette();
    palette.setBrush(QPalette::Inactive, QPalette::Highlight, QColor(200, 120, 40));
    palette.setBrush(QPalette::Disabled, QPalette::Highlight, QColor(90, 90, 160));
    palette.setBrush(QPalette::AlternateBase, QColor(230, 250, 230));
    view.setPalette(palette);
    const QModelIndex index = model.index(0, 0);
    const auto painted = [&](const QStyledItemDelegate &delegate) {
        QImage image(60, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QStyleOptionViewItem option;
        view.initViewItemOption(&option);
        option.rect = QRect(4, 2, 50, 16);
        option.state = QStyle::State(state);
        option.backgroundBrush = background;
        if (alternate)
            option.features |= QStyleOptionViewItem::Alternate;
        QPainter painter(&image);
        delegate.paint(&painter, option, index);
        return image;
    };
    const QImage ours = painted(quil::DBGridDelegate());
    QCOMPARE(ours, painted(QStyledItemDelegate()));
    // The state shows at all: the cell is not left white.
    if (state & QStyle::State_Selected)
        QVERIFY(ours.pixel(30, 10) != QColor(Qt::white).rgb());
}

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
