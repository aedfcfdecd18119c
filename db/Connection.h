#pragma once

#include "db/Engine.h"

#include <QString>
#include <functional>
#include <vector>

namespace quil {

class DataSet;

// A connection to one library file through a database engine (SQLite unless another is
// given). The connection string keeps the familiar "Key=Value;..." form; "Data Source" names
// the file.
//
// Opening reads the file first through a read-only handle and lets OnValidate refuse it, so a
// file that is refused is never written to. Only then is it opened for writing, or read-only
// when the file or its folder may not be written.
class Connection {
public:
    using Hook = std::function<void(Engine &)>;
    // The engine for a library file (an empty path: for none yet).
    using EngineFactory = std::function<std::unique_ptr<Engine>(const QString &path)>;

    // Every handle the connection opens comes from makeEngine, asked anew for each file.
    explicit Connection(EngineFactory makeEngine = {});
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool Connected() const { return FConnected; }
    // The file or its folder may not be written: the datasets refuse every change.
    bool ReadOnly() const { return FReadOnly; }
    // The open file was found damaged: nothing more is written to it.
    bool Damaged() const { return FConnected && FEngine->damaged(); }
    // Damage found by other means (a check of the whole file) stops writing as well.
    void markDamaged(const QString &words) const;
    const QString &ConnectionString() const { return FConnectionString; }
    void setConnectionString(const QString &value) { FConnectionString = value; }

    // Opens the file named by "Data Source". Opening an open connection does nothing. Fails with
    // quil::Error when the file is missing, unreadable, not SQLite, refused by OnValidate or
    // OnConnect, and with BusyError when another program holds it locked.
    void Open();
    // Reads the file named by a connection string read-only and runs OnValidate on it, writing
    // nothing; fails as Open does. The open connection, if any, is not touched.
    void Check(const QString &connectionString) const;
    // Closes every dataset that uses the connection, then the file.
    void Close();

    // Runs on a read-only handle before the file is opened for use: raises quil::Error when the
    // file is not the kind of database expected.
    Hook OnValidate;
    // Runs on every open, after validation, on the handle in use: prepares the file (it may
    // write unless ReadOnly).
    Hook OnConnect;
    // Runs before each change made through the connection: a reader of the file on a handle of
    // its own lets go, so the change need not wait for it.
    std::function<void()> OnWrite;
    void beforeWrite() const
    {
        if (OnWrite)
            OnWrite();
    }

    // Runs after each change that reached the file.
    std::function<void()> OnStored;

    // Runs inside every store's transaction just before it commits (a record, a delete, each
    // commit of a bulk store): tables the program keeps in step with the rows catch up in the
    // same transaction. It must not raise; what it leaves undone it leaves for later.
    Hook BeforeCommit;
    void beforeCommit() const
    {
        if (BeforeCommit && FConnected)
            BeforeCommit(*FEngine);
    }

    // The engine of the open file; closed while the connection is.
    Engine &engine() const { return *FEngine; }

    // The engine's counter of changes made by other connections since this one opened.
    qint64 dataVersion() const;
    // Leaves everything stored in the library file itself (nothing in a side file).
    void afterStore() const;

    // Datasets register themselves so that Close can close them first.
    void attach(DataSet *dataSet);
    void detach(DataSet *dataSet);

private:
    // An engine on the file, opened read-only and passed by OnValidate.
    std::unique_ptr<Engine> checked(const QString &path) const;

    EngineFactory FMakeEngine;
    std::unique_ptr<Engine> FEngine;
    QString FConnectionString;
    bool FConnected = false;
    bool FReadOnly = false;
    std::vector<DataSet *> FDataSets;
};

// Value of one key of a connection string ("Data Source" → the file path); empty when absent.
// A value in double quotes may hold ";" and "=", a doubled quote standing for one.
QString connectionStringValue(const QString &connectionString, const QString &key);
// A value written so that connectionStringValue reads it back whole.
QString connectionStringQuoted(const QString &value);

} // namespace quil
