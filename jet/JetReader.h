#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <memory>

// The Access (Jet) files of the old program, read through libmdb.
namespace jet {

enum class Format {
    Other, // not an Access file at all
    Jet3,  // Access 97: text in the file's code page
    Jet4,  // Access 2000-2003
    Ace,   // Access 2007 and later (.accdb): not read
};

// What the file's first page says it is; the name does not count.
Format formatOf(const QString &path);

// The eleven fields of an entry in the order of book::fieldDefs(); a null text is NULL.
using Row = std::array<QString, 11>;

// The table Books of a Jet 3 or Jet 4 file, read row by row in the file's order: one row in
// memory at a time, whatever the file's size. Every refusal (not an Access file, an .accdb,
// a password, no Books, a damaged file) is a quil::Error whose message names the file.
class Reader {
public:
    explicit Reader(const QString &path);
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // The number of entries the table says it holds.
    int count() const;
    // Columns of Books that are none of the eleven fields, and fields that Books lacks.
    const QStringList &leftOut() const { return FLeftOut; }
    const QStringList &missing() const { return FMissing; }
    // The next entry into row; false after the last.
    bool next(Row &row);

private:
    struct Handle;
    std::unique_ptr<Handle> FHandle;
    QStringList FLeftOut;
    QStringList FMissing;
};

// What the user is told of the columns left out and the fields missing; empty when Books has
// the eleven fields and no other.
QStringList columnNotes(const QStringList &leftOut, const QStringList &missing);

} // namespace jet
