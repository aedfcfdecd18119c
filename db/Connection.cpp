#include "db/Connection.h"

#include "db/DataSet.h"
#include "db/SqliteEngine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <unistd.h>

namespace quil {
namespace {

// How long a check waits for a file that another program holds, and how long a store waits.
constexpr int CheckBusyTimeoutMs = 2000;
constexpr int StoreBusyTimeoutMs = 5000;

bool writable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

QString absolutePathOf(const QString &connectionString)
{
    const QString path = connectionStringValue(connectionString, QStringLiteral("Data Source"));
    const QFileInfo info(path);
    // SQLite would create a missing file; a library must already exist.
    if (path.isEmpty() || !info.isFile())
        throw Error(QCoreApplication::translate("Connection", "Файл %1 не найден").arg(path));
    return info.absoluteFilePath();
}

} // namespace

QString connectionStringValue(const QString &connectionString, const QString &key)
{
    const QString &s = connectionString;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype eq = s.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        const QString name = s.mid(i, eq - i).trimmed();
        qsizetype j = eq + 1;
        while (j < s.size() && s.at(j) == QLatin1Char(' '))
            ++j;
        QString value;
        if (j < s.size() && s.at(j) == QLatin1Char('"')) {
            for (++j; j < s.size(); ++j) {
                if (s.at(j) == QLatin1Char('"')) {
                    if (j + 1 < s.size() && s.at(j + 1) == QLatin1Char('"')) {
                        value += QLatin1Char('"');
                        ++j;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += s.at(j);
            }
            const qsizetype end = s.indexOf(QLatin1Char(';'), j);
            j = end < 0 ? s.size() : end;
        } else {
            const qsizetype end = s.indexOf(QLatin1Char(';'), j);
            value = s.mid(j, (end < 0 ? s.size() : end) - j).trimmed();
            j = end < 0 ? s.size() : end;
        }
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
        i = j + 1;
    }
    return {};
}

QString connectionStringQuoted(const QString &value)
{
    QString s = value;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

Connection::Connection(EngineFactory makeEngine)
    : FMakeEngine(
          makeEngine ? std::move(makeEngine)
                     : [](const QString &) { return std::unique_ptr<Engine>(new SqliteEngine()); }),
      FEngine(FMakeEngine(QString()))
{
}

Connection::~Connection() { Close(); }

std::unique_ptr<Engine> Connection::checked(const QString &path) const
{
    std::unique_ptr<Engine> check = FMakeEngine(path);
    check->open(path, true, CheckBusyTimeoutMs);
    if (OnValidate)
        OnValidate(*check);
    return check;
}

void Connection::Check(const QString &connectionString) const
{
    checked(absolutePathOf(connectionString))->close();
}

void Connection::Open()
{
    if (FConnected)
        return;
    const QString path = absolutePathOf(FConnectionString);
    std::unique_ptr<Engine> check = checked(path);
    // A rollback journal is made beside the file, so the folder must take new files too.
    bool readOnly = !writable(path) || !writable(QFileInfo(path).absolutePath());
    FEngine->close();
    // An engine that writes although it was asked to read only (a server decides rights
    // itself) is already what the open would make: one connection less to set up.
    const bool reuse = !readOnly && !check->isReadOnly();
    if (!reuse)
        check->close();
    FEngine = reuse ? std::move(check) : FMakeEngine(path);
    try {
        if (!reuse)
            FEngine->open(path, readOnly, StoreBusyTimeoutMs);
        if (!readOnly && FEngine->isReadOnly())
            readOnly = true;
        FReadOnly = readOnly;
        FEngine->prepareForUse(readOnly);
        if (OnConnect)
            OnConnect(*FEngine);
    } catch (...) {
        FEngine->close();
        throw;
    }
    FConnected = true;
}

void Connection::markDamaged(const QString &words) const
{
    if (FConnected)
        FEngine->noteFailure(EngineError(engine_code::Corrupt, words));
}

qint64 Connection::dataVersion() const { return FConnected ? FEngine->dataVersion() : 0; }

void Connection::afterStore() const
{
    if (FConnected)
        FEngine->afterStore();
    if (OnStored)
        OnStored();
}

void Connection::Close()
{
    const auto dataSets = FDataSets;
    for (DataSet *ds : dataSets)
        ds->Close();
    FEngine->close();
    FConnected = false;
    FReadOnly = false;
}

void Connection::attach(DataSet *dataSet)
{
    if (std::find(FDataSets.begin(), FDataSets.end(), dataSet) == FDataSets.end())
        FDataSets.push_back(dataSet);
}

void Connection::detach(DataSet *dataSet)
{
    FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), dataSet), FDataSets.end());
}

} // namespace quil
