#pragma once

#include <QString>
#include <stdexcept>

namespace quil {

// The one exception type that handlers raise. Its message reaches the user unchanged
// (apart from the closing full stop) through the application's error report. A failure of the
// database engine or of the system keeps their own words apart from ours: the message is then
// our sentence with their words on a line of its own.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message) : Error(message, QString()) {}
    Error(const QString &sentence, const QString &detail);
    // What the user is shown.
    const QString &message() const { return FMessage; }
    // Our own words, and the engine's or the system's (empty when there are none).
    const QString &sentence() const { return FSentence; }
    const QString &detail() const { return FDetail; }

private:
    QString FSentence;
    QString FDetail;
    QString FMessage;
};

// The primary result codes spoken at the engine boundary. They are SQLite's; another engine
// maps its failures onto them.
namespace engine_code {
enum : int {
    Ok = 0,
    Perm = 3,
    Busy = 5,
    Locked = 6,
    NoMem = 7,
    ReadOnly = 8,
    Interrupt = 9,
    IoErr = 10,
    Corrupt = 11,
    Full = 13,
    Disconnected = 12, // a server library: the server cannot be reached
    CantOpen = 14,
    Protocol = 15,
    Schema = 17,
    TooBig = 18,
    Constraint = 19,
    Auth = 23,
    NotADb = 26,
};
} // namespace engine_code

// A failure of the database engine; code is the engine's primary result code. Also what a
// statement or an engine tells of its last failure: default-made, it tells of none.
class EngineError : public Error {
public:
    EngineError() : Error(QString(), QString()) {}
    EngineError(int code, const QString &engineText);
    int code() const { return FCode; }
    // The engine failed (a code, or at least words).
    bool isValid() const { return FCode != engine_code::Ok || !detail().isEmpty(); }
    // Another program holds the file; trying again later may succeed.
    bool busy() const { return FCode == engine_code::Busy || FCode == engine_code::Locked; }
    // The file is damaged: a page the engine cannot make sense of, or no database at all.
    bool damage() const
    {
        const int primary = FCode & 0xff;
        return primary == engine_code::Corrupt || primary == engine_code::NotADb;
    }

private:
    int FCode = engine_code::Ok;
};

// The file is held by another program so that it cannot even be read for now.
class BusyError : public EngineError {
public:
    using EngineError::EngineError;
    explicit BusyError(const EngineError &error) : EngineError(error) {}
};

// One Russian sentence for an engine result code: what happened and what the user can do.
QString engineErrorSentence(int code);
// That sentence with the engine's own words on the next line.
QString engineErrorText(int code, const QString &engineText);
// Raises EngineError for a result code (BusyError when the file is busy or locked).
[[noreturn]] void throwEngineError(int code, const QString &engineText);
[[noreturn]] void throwEngineError(const EngineError &error);

// What the user is told of anything raised: an Error's message, the library's words only where
// nothing better is known ("std::bad_alloc" is said in Russian).
QString messageOf(const std::exception &e);
// The failure put into the sentence that says where it happened ("Строка 5 не сохранена"):
// "<context>: <its own sentence>", the engine's or system's words still on their own line.
Error explained(const QString &context, const std::exception &e);

// The text of the error report: a full stop is added when the last character sorts after ".".
QString errorReportText(const QString &message);

} // namespace quil
