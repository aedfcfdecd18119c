#include "export/ReferenceRows.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Engine.h"
#include "store/Book.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>

namespace {

// Keys bound per statement, well below the engine's limit on parameters.
constexpr int PageRows = 256;

QString pageSelect()
{
    QStringList marks;
    for (int i = 0; i < PageRows; ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("SELECT \"%1\", \"%2\", \"%3\", \"%4\" FROM \"%5\" WHERE \"%1\" IN (%6)")
        .arg(book::Key, book::WName, book::WTitle, book::WPublisher, book::TableName,
             marks.join(QLatin1Char(',')));
}

QString textOf(const quil::Statement &statement, int column)
{
    const QByteArrayView text = statement.utf8(column);
    return text.isNull() ? QString() : QString::fromUtf8(text);
}

} // namespace

ReferenceRows::ReferenceRows(quil::DataSet &data) : FData(data)
{
    if (!data.connection().Connected())
        throw quil::Error(
            QCoreApplication::translate("ReferenceRows", "Соединение с библиотекой не открыто"));
    FStatement = data.connection().engine().prepareOrThrow(pageSelect());
}

ReferenceRows::~ReferenceRows() = default;

const ReferenceRows::Parts &ReferenceRows::at(int row)
{
    if (FFirst < 0 || row < FFirst || row >= FFirst + int(FPage.size()))
        fetch(row);
    return FPage[size_t(row - FFirst)];
}

void ReferenceRows::fetch(int first)
{
    const int count = std::max(0, std::min(PageRows, FData.RecordCount() - first));
    FSlot.clear();
    for (int i = 0; i < PageRows; ++i) {
        const qint64 key = i < count ? FData.keyAt(first + i) : qint64(-1);
        FStatement->bindInteger(i, key);
        if (i < count)
            FSlot.insert(key, i);
    }
    FFirst = first;
    FPage.assign(size_t(count), Parts());
    quil::execOrThrow(*FStatement);
    while (FStatement->next()) {
        const auto slot = FSlot.constFind(FStatement->integer(0));
        if (slot == FSlot.constEnd())
            continue;
        Parts &parts = FPage[size_t(*slot)];
        parts.name = textOf(*FStatement, 1);
        parts.title = textOf(*FStatement, 2);
        parts.publisher = textOf(*FStatement, 3);
    }
    quil::checkFinished(*FStatement);
    FStatement->reset();
}

bool ReferenceRows::scan(const RowSink &sink)
{
    const int count = FData.RecordCount();
    if (count == 0)
        return true;
    // The dataset's positions in key order, to be met as the pass goes through the table.
    std::vector<std::pair<qint64, int>> byKey;
    byKey.reserve(size_t(count));
    for (int row = 0; row < count; ++row)
        byKey.emplace_back(FData.keyAt(row), row);
    std::sort(byKey.begin(), byKey.end());
    const qint64 first = byKey.front().first;
    const qint64 last = byKey.back().first;
    // A pass reads every row between the first and the last key: worth it when the dataset
    // holds a good share of them, and one statement per page of keys is cheaper otherwise.
    if (double(count) * 4 < double(last) - double(first) + 1)
        return false;

    quil::Engine &engine = FData.connection().engine();
    // The reference index holds the three columns in key order, a tenth of the rows' size;
    // a library that could not be given it (read-only) is read through its rows.
    const QString select =
        QStringLiteral("SELECT \"%1\", \"%2\", \"%3\", \"%4\" FROM \"%5\" %6 WHERE \"%1\" BETWEEN "
                       "? AND ? ORDER BY \"%1\"")
            .arg(book::Key, book::WName, book::WTitle, book::WPublisher, book::TableName);
    std::unique_ptr<quil::Statement> statement =
        engine.prepare(select.arg(QStringLiteral("INDEXED BY \"%1\"").arg(book::ReferenceIndex)));
    if (!statement)
        statement = engine.prepareOrThrow(select.arg(QString()));
    statement->bindInteger(0, first);
    statement->bindInteger(1, last);
    quil::execOrThrow(*statement);
    size_t next = 0;
    while (statement->next()) {
        const qint64 key = statement->integer(0);
        while (next < byKey.size() && byKey[next].first < key)
            ++next; // in the dataset, no longer in the file
        if (next == byKey.size())
            break;
        if (byKey[next].first != key)
            continue;
        const QByteArrayView name = statement->utf8(1);
        const QByteArrayView title = statement->utf8(2);
        const QByteArrayView publisher = statement->utf8(3);
        for (; next < byKey.size() && byKey[next].first == key; ++next)
            sink(byKey[next].second, name, title, publisher);
    }
    quil::checkFinished(*statement);
    return true;
}
