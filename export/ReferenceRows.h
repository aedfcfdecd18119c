#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <vector>

namespace quil {
class DataSet;
class Statement;
} // namespace quil

// The stored author, title and publisher of a dataset's rows, read a page of rows at a time
// by key, or, when the dataset holds most of the table, in one pass over the table in the
// file's own order. A walk over a whole library then reads these three columns only, not every
// record whole with its abstract. The dataset must be over the Books table and browsing.
class ReferenceRows {
public:
    struct Parts {
        QString name;
        QString title;
        QString publisher;
    };

    explicit ReferenceRows(quil::DataSet &data);
    ~ReferenceRows();
    ReferenceRows(const ReferenceRows &) = delete;
    ReferenceRows &operator=(const ReferenceRows &) = delete;

    // The row at a 0-based position in the dataset's order; a row that is no longer in the
    // file has empty parts, as the dataset shows it. Raises quil::Error when the file cannot
    // be read.
    const Parts &at(int row);

    // The three columns in UTF-8 as the file holds them, valid during the call.
    using RowSink = std::function<void(int row, QByteArrayView name, QByteArrayView title,
                                       QByteArrayView publisher)>;
    // When the dataset's keys are dense in the table, reads every row of the dataset in one
    // forward pass in key order (positions in any order, each once; rows no longer in the file
    // are left out) and returns true. Otherwise reads nothing and returns false: at() is then
    // the cheaper way. Raises quil::Error when the file cannot be read.
    bool scan(const RowSink &sink);

private:
    void fetch(int first);

    quil::DataSet &FData;
    std::unique_ptr<quil::Statement> FStatement;
    int FFirst = -1;
    std::vector<Parts> FPage;
    QHash<qint64, int> FSlot;
};
