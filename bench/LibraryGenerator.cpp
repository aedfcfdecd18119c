#include "LibraryGenerator.h"

#include "store/LibraryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QVariant>
#include <cstdio>
#include <random>

namespace quilbench {
namespace {

const char *const Surnames[] = {
    "Иванов", "Петрова", "Сидоренко", "Кузнецов", "Смирнова",  "Ёлкин",     "Жуков",  "Smith",
    "Müller", "Brown",   "Андреев",   "Wilson",   "Тихомиров", "Щербакова", "García", "Яковлев"};
const char *const Words[] = {
    "исследование", "структуры",    "тонких",       "плёнок", "методом",  "рентгеновской",
    "дифракции",    "analysis",     "of",           "thin",   "films",    "при",
    "высоких",      "температурах", "spectroscopy", "модель", "кинетики", "роста",
    "crystal",      "growth",       "теория",       "поля"};
const char *const Publishers[] = {"Журнал экспериментальной и теоретической физики",
                                  "Physical Review B",
                                  "Успехи физических наук",
                                  "Наука, Москва",
                                  "Springer, Berlin",
                                  "Journal of Applied Physics"};

QString pick(std::mt19937 &rng, const char *const *list, size_t size)
{
    return QString::fromUtf8(list[rng() % size]);
}

template <size_t N>
QString pick(std::mt19937 &rng, const char *const (&list)[N])
{
    return pick(rng, list, N);
}

QString authors(std::mt19937 &rng)
{
    const int target = 40 + int(rng() % 81);
    QString s;
    while (s.size() < target) {
        if (!s.isEmpty())
            s += QStringLiteral(", ");
        s += pick(rng, Surnames) + QStringLiteral(" ") + QChar(u'А' + int(rng() % 32)) +
             QStringLiteral(".") + QChar(u'А' + int(rng() % 32)) + QStringLiteral(".");
    }
    return s.left(target);
}

QString sentence(std::mt19937 &rng, int target)
{
    QString s;
    while (s.size() < target) {
        if (!s.isEmpty())
            s += QLatin1Char(' ');
        s += pick(rng, Words);
    }
    s = s.left(target);
    s[0] = s[0].toUpper();
    return s;
}

QByteArray rtfEscaped(const QString &text)
{
    static QStringEncoder encoder("windows-1251");
    QByteArray out;
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}'))
                out += '\\';
            out += char(c.unicode());
            continue;
        }
        const QByteArray bytes = encoder.encode(QString(c));
        if (encoder.hasError() || bytes.size() != 1) {
            out += "\\u" + QByteArray::number(c.unicode()) + '?';
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\'%02x", unsigned(uchar(bytes[0])));
        out += hex;
    }
    return out;
}

} // namespace

QByteArray sampleAbstractRtf(unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 "
        "Times New Roman;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
        "{\\colortbl ;\\red0\\green0\\blue255;}\r\n"
        "\\viewkind4\\uc1\\pard\\lang1049\\f0\\fs24 ";
    int paragraph = 0;
    while (rtf.size() < 2000) {
        rtf += rtfEscaped(sentence(rng, 60 + int(rng() % 80)));
        rtf += " \\b " + rtfEscaped(pick(rng, Words)) + "\\b0  ";
        rtf += "{\\f1\\'61} = 0.5 \\i " + rtfEscaped(pick(rng, Words)) + "\\i0 ";
        rtf += "x\\super 2\\nosupersub  ";
        rtf += rtfEscaped(sentence(rng, 80 + int(rng() % 80)));
        if (++paragraph % 2 == 0)
            rtf += "\\par\r\n";
    }
    rtf += "\\par\r\n}\r\n";
    return rtf;
}

void generateLibrary(const QString &path, int entries)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    library::create(path);
    const QString cname = QStringLiteral("bench-generate");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), cname);
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO Books (Name, Title, City, Resume, Location, WName, "
                                 "WTitle, WPublisher, Pages) VALUES (?,?,?,?,?,?,?,?,?)"));
        std::mt19937 rng(20061);
        for (int i = 0; i < entries; ++i) {
            const QString name = authors(rng);
            const QString title = sentence(rng, 60 + int(rng() % 141));
            q.addBindValue(name);
            q.addBindValue(title);
            q.addBindValue(QString::number(1950 + int(rng() % 75)));
            q.addBindValue(QString::fromLatin1(sampleAbstractRtf(unsigned(i % 64))));
            q.addBindValue(sentence(rng, 20 + int(rng() % 40)));
            q.addBindValue(name);
            q.addBindValue(title);
            q.addBindValue(pick(rng, Publishers) + QStringLiteral(", т. ") +
                           QString::number(rng() % 90) + QStringLiteral(", № ") +
                           QString::number(rng() % 12));
            q.addBindValue(QStringLiteral("С. ") + QString::number(rng() % 500) +
                           QStringLiteral("–") + QString::number(500 + rng() % 20));
            if (!q.exec())
                std::fprintf(stderr, "generate: %s\n",
                             q.lastError().text().toLocal8Bit().constData());
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(cname);
}

QString programFolderWithLibrary(const QString &cache, const QString &folder, int entries)
{
    QDir().mkpath(folder + QStringLiteral("DBase"));
    const QString source = cache + QStringLiteral("bench-%1.mdb").arg(entries);
    if (!QFile::exists(source))
        generateLibrary(source, entries);
    for (const char *note : {"Info.txt", "Terms.txt"}) {
        QFile file(folder + QLatin1String(note));
        if (file.open(QIODevice::WriteOnly))
            file.write("\xd1\xee\xea\xf0\xe0\xf9\xe5\xed\xe8\xff\r\n");
    }
    const QString path = library::folder(folder) + QStringLiteral("Bench.mdb");
    QFile::remove(path);
    QFile::copy(source, path);
    return path;
}

} // namespace quilbench
