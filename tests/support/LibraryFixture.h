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

// Rows of Books in key order, the given columns joined by "|".
inline QStringList storedRows(const QString &path,
                              const QString &columns = "Name, Title, City, Resume, Location, WName")
{
    QStringList rows;
    const QString name = QStringLiteral("check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec("SELECT " + columns + " FROM Books ORDER BY key");
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << q.value(i).toString();
            rows << fields.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}
