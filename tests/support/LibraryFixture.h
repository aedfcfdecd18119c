#pragma once
// Library files for tests: made and read straight through SQL, beside the program's own code.

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

struct Entry {
    QString name;
    QString title;
    QString city;
};

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(bytes);
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Runs statements on a library file through a connection of its own.
inline void execOn(const QString &path, const QStringList &statements,
                   const QList<Entry> &entries = {})
{
    const QString name = QStringLiteral("fixture");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString &statement : statements)
            QVERIFY2(q.exec(statement), qPrintable(q.lastError().text()));
        q.prepare("INSERT INTO Books (Name, Title, City, WName, WTitle) VALUES (?,?,?,?,?)");
        for (const Entry &e : entries) {
            q.addBindValue(e.name);
            q.addBindValue(e.title);
            q.addBindValue(e.city);
            q.addBindValue(e.name);
            q.addBindValue(e.title);
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(name);
}

// Rows of Books in key order, the given columns joined by "|". A library that is missing or
// cannot be read fails the running test, so an expectation of no rows never passes on a wrong
// path; the rows are then one line saying what went wrong.
inline QStringList storedRows(const QString &path,
                              const QString &columns = "Name, Title, City, Resume, Location, WName")
{
    QStringList rows;
    QString failure;
    const QString name = QStringLiteral("check");
    if (!QFile::exists(path)) {
        failure = QStringLiteral("no library at ") + path;
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            failure = QStringLiteral("cannot open ") + path + ": " + db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec("SELECT " + columns + " FROM Books ORDER BY key"))
                failure = QStringLiteral("cannot read ") + path + ": " + q.lastError().text();
            while (q.next()) {
                QStringList fields;
                for (int i = 0; i < q.record().count(); ++i)
                    fields << q.value(i).toString();
                rows << fields.join(QLatin1Char('|'));
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("storedRows: ") + failure), __FILE__, __LINE__);
        return {QStringLiteral("<") + failure + QStringLiteral(">")};
    }
    return rows;
}
