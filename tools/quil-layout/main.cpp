// quil-layout: lays out the program folder beside the program: DBase with the demo library,
// Abstract, Import Data with a sample reference list, Result, and the two notebooks.
// What is already there is kept, so a rebuild never overwrites the user's notes or library.
#include "platform/Error.h"
#include "rtf/RichText.h"
#include "store/LibraryFile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTextDocument>
#include <QVariant>
#include <cstdio>

namespace {

QString readUtf8(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw quil::Error(QStringLiteral("Cannot read %1: %2").arg(path, f.errorString()));
    return QString::fromUtf8(f.readAll());
}

// Writes text as the program's side files are: Windows-1251 with CR LF line ends.
void writeWindows1251(const QString &path, QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QStringEncoder encoder("windows-1251");
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        throw quil::Error(QStringLiteral("%1 has characters outside Windows-1251").arg(path));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw quil::Error(QStringLiteral("Cannot write %1: %2").arg(path, f.errorString()));
}

void copyIfMissing(const QString &source, const QString &target)
{
    if (!QFile::exists(target))
        writeWindows1251(target, readUtf8(source));
}

// An abstract as the editor stores it: RTF, from HTML or from plain text.
QString abstractRtf(const QString &text, bool html)
{
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Times New Roman"), 12));
    if (html)
        document.setHtml(text);
    else
        document.setPlainText(text);
    return quil::rtf::RichText::toRtf(document);
}

void makeDemoLibrary(const QString &dataDir, const QString &path)
{
    const QString temporary = path + QStringLiteral(".part");
    QFile::remove(temporary);
    library::create(temporary);
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo"));
        db.setDatabaseName(temporary);
        if (!db.open())
            throw quil::Error(db.lastError().text());
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO Books (Name, Title, City, Resume, Location, WName, "
                                 "WTitle, WPublisher, Pages) VALUES (?,?,?,?,?,?,?,?,?)"));
        const QString text = readUtf8(dataDir + QStringLiteral("/references.txt"));
        for (const QString &block : text.split(QStringLiteral("\n%%\n"))) {
            QHash<QString, QString> fields;
            for (const QString &line : block.split(QLatin1Char('\n'))) {
                if (line.startsWith(QLatin1Char('#')) || !line.contains(QStringLiteral(": ")))
                    continue;
                const int colon = line.indexOf(QStringLiteral(": "));
                fields.insert(line.left(colon), line.mid(colon + 2).trimmed());
            }
            if (fields.value(QStringLiteral("WName")).isEmpty())
                continue;
            const QString resume =
                fields.contains(QStringLiteral("Abstract"))
                    ? abstractRtf(readUtf8(dataDir + QStringLiteral("/abstracts/") +
                                           fields.value(QStringLiteral("Abstract"))),
                                  true)
                    : abstractRtf(fields.value(QStringLiteral("Resume"), QStringLiteral("New")),
                                  false);
            q.addBindValue(fields.value(QStringLiteral("WName")));
            q.addBindValue(fields.value(QStringLiteral("WTitle")));
            q.addBindValue(fields.value(QStringLiteral("City")));
            q.addBindValue(resume);
            q.addBindValue(fields.value(QStringLiteral("Location")));
            q.addBindValue(fields.value(QStringLiteral("WName")));
            q.addBindValue(fields.value(QStringLiteral("WTitle")));
            q.addBindValue(fields.value(QStringLiteral("WPublisher")));
            q.addBindValue(fields.value(QStringLiteral("Pages")));
            if (!q.exec())
                throw quil::Error(q.lastError().text());
        }
        if (!db.commit())
            throw quil::Error(db.lastError().text());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo"));
    if (!QFile::rename(temporary, path))
        throw quil::Error(QStringLiteral("Cannot create %1").arg(path));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: quil-layout DATA_DIR PROGRAM_FOLDER\n");
        return 2;
    }
    const QString dataDir = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]) + QLatin1Char('/');
    try {
        QDir root(folder);
        for (const char *sub : {"DBase", "Abstract", "Import Data", "Result"})
            if (!root.mkpath(QString::fromLatin1(sub)))
                throw quil::Error(
                    QStringLiteral("Cannot create %1%2").arg(folder, QString::fromLatin1(sub)));
        copyIfMissing(dataDir + QStringLiteral("/Info.txt"), folder + QStringLiteral("Info.txt"));
        copyIfMissing(dataDir + QStringLiteral("/Terms.txt"), folder + QStringLiteral("Terms.txt"));
        copyIfMissing(dataDir + QStringLiteral("/sample-import.txt"),
                      folder + QStringLiteral("Import Data/Sample.txt"));
        const QString demo = library::folder(folder) + QStringLiteral("Demo.mdb");
        if (!QFile::exists(demo))
            makeDemoLibrary(dataDir + QStringLiteral("/demo"), demo);
    } catch (const quil::Error &e) {
        std::fprintf(stderr, "quil-layout: %s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
