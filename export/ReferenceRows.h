#pragma once

#include <QHash>
#include <QString>
#include <vector>

struct sqlite3_stmt;

namespace quil {
class DataSet;
}

// The stored author, title and publisher of a dataset's rows, read a page of rows at a time
// by key. A walk over a whole library then reads these three columns only, not every record
// whole with its abstract, and takes the engine's UTF-8 as it is. The dataset must be over
// the Books table and browsing.
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

private:
    void fetch(int first);
    [[noreturn]] void fail() const;

    quil::DataSet &FData;
    sqlite3_stmt *FStatement = nullptr;
    int FFirst = -1;
    std::vector<Parts> FPage;
    QHash<qint64, int> FSlot;
};
