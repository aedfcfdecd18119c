#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <vector>

namespace quil {

class DataSet;

// A connection to one library file (SQLite under Qt Sql). The connection string keeps the
// familiar "Key=Value;..." form; "Data Source" names the file.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool Connected() const { return FConnected; }
    const QString &ConnectionString() const { return FConnectionString; }
    void setConnectionString(const QString &value) { FConnectionString = value; }

    // Opens the file named by "Data Source". Opening an open connection does nothing. Fails with
    // quil::Error when the file is missing, unreadable, not SQLite, or refused by OnConnect.
    void Open();
    // Closes every dataset that uses the connection, then the file.
    void Close();

    // Runs on every open, after the file has proved to be SQLite: checks that it is the kind
    // of database expected (raising quil::Error when not) and prepares it.
    std::function<void(QSqlDatabase &)> OnConnect;

    QSqlDatabase database() const;
    QString dataSourcePath() const;

    // Datasets register themselves so that Close can close them first.
    void attach(DataSet *dataSet);
    void detach(DataSet *dataSet);

private:
    void checkLibrary();

    QString FConnectionString;
    QString FName; // Qt's connection name, unique per instance
    bool FConnected = false;
    std::vector<DataSet *> FDataSets;
};

// Value of one key of a connection string ("Data Source" → the file path); empty when absent.
QString connectionStringValue(const QString &connectionString, const QString &key);

} // namespace quil
