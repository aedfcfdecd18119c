#pragma once

class QSqlDatabase;
struct sqlite3;

namespace search {

// The library file mapped into memory for one pass over it: SQLite then reads long abstracts
// without copying them page by page. The connection's own setting comes back afterwards.
class MappedReads {
public:
    explicit MappedReads(sqlite3 *db);
    explicit MappedReads(const QSqlDatabase &db);
    ~MappedReads();
    MappedReads(const MappedReads &) = delete;
    MappedReads &operator=(const MappedReads &) = delete;

private:
    void set(long long size);

    sqlite3 *FDb;
    long long FPrevious = 0;
};

} // namespace search
