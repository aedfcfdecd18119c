#include "jet/JetReader.h"

#include "platform/Error.h"
#include "store/Book.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <vector>

// mdbtools.h includes GLib inside extern "C", which a current GLib refuses in C++ unless GLib
// came first.
#include <QCoreApplication>
#include <glib.h>
#include <mdbtools.h>

namespace jet {

namespace {

constexpr int HeaderSize = 0x98;
// Above nearly every value: buffers of this size come from the heap, not from the system.
constexpr size_t BindSize = 64 * 1024;

// The first page of an Access file, its header decoded: bytes 0x18 on are RC4-encrypted with
// a key every Access file shares.
struct Header {
    Format format = Format::Other;
    QByteArray bytes;

    quint16 int16(int at) const { return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8); }
};

void rc4(QByteArray &data, int from, int length)
{
    const quint8 key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    quint8 s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[from + n] = char(quint8(data[from + n]) ^ s[(s[i] + s[j]) & 0xFF]);
    }
}

Header readHeader(const QString &path)
{
    Header header;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return header;
    header.bytes = file.read(HeaderSize);
    if (header.bytes.size() < HeaderSize)
        return header;
    const QByteArray signature = header.bytes.mid(4, 15);
    if (signature == QByteArrayLiteral("Standard ACE DB")) {
        header.format = Format::Ace;
    } else if (signature == QByteArrayLiteral("Standard Jet DB")) {
        const quint8 version = quint8(header.bytes[0x14]);
        header.format = version == 0 ? Format::Jet3 : version == 1 ? Format::Jet4 : Format::Ace;
    }
    if (header.format == Format::Jet3 || header.format == Format::Jet4)
        rc4(header.bytes, 0x18, header.format == Format::Jet3 ? 126 : 128);
    return header;
}

// A database password stands at 0x42; Jet 4 masks it further with the creation date.
bool passwordSet(const Header &header)
{
    const bool jet4 = header.format == Format::Jet4;
    quint8 mask[4] = {0, 0, 0, 0};
    if (jet4) {
        double created = 0;
        memcpy(&created, header.bytes.constData() + 0x72, sizeof created);
        const qint32 days = std::isfinite(created) && std::abs(created) < 2e9 ? qint32(created) : 0;
        for (int i = 0; i < 4; ++i)
            mask[i] = quint8(quint32(days) >> (8 * i));
    }
    const int length = jet4 ? 40 : 20;
    for (int i = 0; i < length; ++i)
        if ((quint8(header.bytes[0x42 + i]) ^ mask[i % 4]) != 0)
            return true;
    return false;
}

QString fileName(const QString &path) { return QFileInfo(path).fileName(); }

quil::Error damaged(const QString &path)
{
    return quil::Error(
        QCoreApplication::translate("JetReader",
                                    "Файл %1 повреждён: прочитать его не удаётся. Файл оставлен "
                                    "как есть")
            .arg(fileName(path)));
}

} // namespace

Format formatOf(const QString &path) { return readHeader(path).format; }

struct Reader::Handle {
    MdbHandle *mdb = nullptr;
    MdbTableDef *table = nullptr;
    std::array<int, 11> column{}; // the table's column of each field, -1 when missing
    std::vector<char *> values;   // bind buffers by column
    std::vector<int> lengths;
    std::vector<MdbField> fields;
    std::vector<bool> isNull;
    size_t fullSize = 0;

    // The value of column c in the row just fetched, whole however long.
    QString wholeValue(int c)
    {
        const int length = lengths[size_t(c)];
        if (size_t(length) + 4 < BindSize)
            return QString::fromUtf8(values[size_t(c)], length);
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, guint(c)));
        mdb_set_bind_size(mdb, fullSize);
        char *text = mdb_col_to_string(mdb, mdb->pg_buf, col->cur_value_start, col->col_type,
                                       col->cur_value_len);
        mdb_set_bind_size(mdb, BindSize);
        const QString whole = QString::fromUtf8(text);
        g_free(text);
        return whole;
    }

    ~Handle()
    {
        for (char *value : values)
            std::free(value);
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }
};

Reader::Reader(const QString &path) : FHandle(std::make_unique<Handle>())
{
    const Header header = readHeader(path);
    const QString name = fileName(path);
    switch (header.format) {
    case Format::Other:
        throw quil::Error(QCoreApplication::translate(
                              "JetReader", "Файл %1 не является библиотекой Microsoft Access")
                              .arg(name));
    case Format::Ace:
        throw quil::Error(QCoreApplication::translate(
                              "JetReader", "Файл %1 записан Microsoft Access 2007 или новее; "
                                           "перенести можно библиотеку Access 97–2003: сохраните "
                                           "её в Access в формате 2002–2003 (.mdb)")
                              .arg(name));
    case Format::Jet3:
    case Format::Jet4: break;
    }
    if (passwordSet(header))
        throw quil::Error(QCoreApplication::translate(
                              "JetReader", "Библиотека %1 защищена паролем; снимите пароль в "
                                           "Microsoft Access и повторите")
                              .arg(name));
    // Pages of 2 KB (Jet 3) or 4 KB (Jet 4): a file cut elsewhere lost its end.
    const qint64 size = QFileInfo(path).size();
    const int page = header.format == Format::Jet3 ? 2048 : 4096;
    if (size < 2 * page || size % page != 0)
        throw damaged(path);

    Handle &h = *FHandle;
    h.mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!h.mdb)
        throw damaged(path);
    // Texts come as UTF-8 whatever the environment says; Jet 3 keeps them in the code page the
    // file names (libmdb would take Windows-1252).
    const int codePage = header.int16(0x3C);
    QByteArray from = QByteArrayLiteral("UCS-2LE");
    if (header.format == Format::Jet3) {
        from = "CP" + QByteArray::number(codePage > 0 ? codePage : 1251);
        iconv_t probe = iconv_open("UTF-8", from.constData());
        if (probe == iconv_t(-1))
            from = QByteArrayLiteral("CP1251");
        else
            iconv_close(probe);
    }
    if (h.mdb->iconv_in != iconv_t(-1))
        iconv_close(h.mdb->iconv_in);
    h.mdb->iconv_in = iconv_open("UTF-8", from.constData());
    // libmdb cuts a value at the bind size without a word. Values that reach it are read again
    // whole with a bind size above any text the file can hold: no text is longer in UTF-8
    // than three bytes for each byte of the file.
    h.fullSize = size_t(std::max<qint64>(BindSize, 3 * size + 16));
    mdb_set_bind_size(h.mdb, BindSize);

    if (!mdb_read_catalog(h.mdb, MDB_TABLE))
        throw damaged(path);
    MdbCatalogEntry *books = nullptr;
    for (guint i = 0; i < h.mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(h.mdb->catalog, i));
        if (entry->object_type == MDB_TABLE &&
            book::TableName.compare(QString::fromUtf8(entry->object_name), Qt::CaseInsensitive) ==
                0)
            books = entry;
    }
    if (!books)
        throw quil::Error(QCoreApplication::translate(
                              "JetReader", "В файле %1 нет таблицы Books: это не библиотека старой "
                                           "программы. Файл оставлен как есть")
                              .arg(name));
    h.table = mdb_read_table(books);
    if (!h.table || !mdb_read_columns(h.table))
        throw damaged(path);

    const auto defs = book::fieldDefs();
    h.column.fill(-1);
    const int columns = int(h.table->num_cols);
    h.values.assign(size_t(columns), nullptr);
    h.lengths.assign(size_t(columns), 0);
    h.fields.resize(size_t(std::max(columns, 256)));
    h.isNull.assign(size_t(columns), true);
    for (int c = 0; c < columns; ++c) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(h.table->columns, guint(c)));
        const QString columnName = QString::fromUtf8(col->name);
        const auto def = std::find_if(defs.begin(), defs.end(), [&](const quil::FieldDef &d) {
            return d.name.compare(columnName, Qt::CaseInsensitive) == 0;
        });
        if (def == defs.end()) {
            FLeftOut << columnName;
            continue;
        }
        h.column[size_t(def - defs.begin())] = c;
        h.values[size_t(c)] = static_cast<char *>(std::malloc(h.mdb->bind_size));
        if (!h.values[size_t(c)])
            throw std::bad_alloc();
        mdb_bind_column(h.table, c + 1, h.values[size_t(c)], &h.lengths[size_t(c)]);
    }
    for (size_t i = 0; i < defs.size(); ++i)
        if (h.column[i] < 0)
            FMissing << defs[i].name;
    mdb_rewind_table(h.table);
}

Reader::~Reader() = default;

int Reader::count() const { return int(FHandle->table->num_rows); }

bool Reader::next(Row &row)
{
    Handle &h = *FHandle;
    if (!mdb_fetch_row(h.table))
        return false;
    // libmdb gives an empty text and NULL alike; the row's null mask tells them apart. The
    // page of the row just read is still the current one.
    std::fill(h.isNull.begin(), h.isNull.end(), true);
    int start = 0;
    size_t length = 0;
    if (mdb_find_row(h.mdb, int(h.table->cur_row) - 1, &start, &length) == 0) {
        const int cracked = mdb_crack_row(h.table, start & 0x1FFF, length, h.fields.data());
        for (int i = 0; i < cracked; ++i) {
            const int c = h.fields[size_t(i)].colnum;
            if (c >= 0 && c < int(h.isNull.size()))
                h.isNull[size_t(c)] = h.fields[size_t(i)].is_null;
        }
    }
    for (size_t i = 0; i < row.size(); ++i) {
        const int c = h.column[i];
        if (c < 0 || h.isNull[size_t(c)])
            row[i] = QString();
        else if (h.lengths[size_t(c)] == 0)
            row[i] = QStringLiteral("");
        else
            row[i] = h.wholeValue(c);
    }
    return true;
}

QStringList columnNotes(const QStringList &leftOut, const QStringList &missing)
{
    QStringList notes;
    if (!leftOut.isEmpty())
        notes << (leftOut.size() == 1
                      ? QCoreApplication::translate(
                            "JetReader", "Поле %1 таблицы Books не перенесено: программа его не "
                                         "знает. Оно осталось в исходном файле")
                      : QCoreApplication::translate(
                            "JetReader", "Поля %1 таблицы Books не перенесены: программа их не "
                                         "знает. Они остались в исходном файле"))
                     .arg(leftOut.join(QStringLiteral(", ")));
    if (!missing.isEmpty())
        notes << (missing.size() == 1
                      ? QCoreApplication::translate(
                            "JetReader", "В таблице Books нет поля %1; у перенесённых записей оно "
                                         "пусто")
                      : QCoreApplication::translate(
                            "JetReader", "В таблице Books нет полей %1; у перенесённых записей "
                                         "они пусты"))
                     .arg(missing.join(QStringLiteral(", ")));
    return notes;
}

} // namespace jet
