#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

namespace quil {
class Engine;
}

namespace library {

// Reads every page of the library file at path on a read-only handle of its own (the engine's
// quick check: each table and index, overflow chains, free pages) and answers what is wrong,
// in the engine's words; empty when the file is whole. quil::Error when the check could not
// tell (the file busy, missing or unreadable for another reason than damage). Writes nothing
// and may run on any thread.
QString checkWhole(const QString &path);
// The same on a handle already open.
QString damageIn(quil::Engine &engine);

// A condition over an entry of Books: one of its values lost a page of its end (it holds zero
// bytes, which nothing the program stores has).
QString lostPageTest();

// A check of the whole file that another thread may stop: a store must not wait for it to
// finish reading (the file's readers and its writer exclude each other).
class WholeCheck {
public:
    WholeCheck();
    // What checkWhole answers, or nothing when interrupted or unable to tell (undecided()
    // then says why, unless interrupted).
    std::optional<QString> run(const QString &path);
    const QString &undecided() const { return FUndecided; }
    // From any thread: the check lets go of the file as soon as it can and answers nothing.
    void interrupt();
    bool interrupted() const { return FInterrupted; }

    // Tests: runs on the check's thread while it holds the file for reading, before the walk.
    // Taken by each check as it is made.
    static std::function<void(const WholeCheck &)> whileReading;

private:
    std::function<void(const WholeCheck &)> FWhileReading;
    std::mutex FMutex; // the engine is not closed while another thread interrupts it
    quil::Engine *FEngine = nullptr;
    std::atomic<bool> FInterrupted = false;
    QString FUndecided;
};

// What the user is told when the library libraryFileName was found damaged while open: its
// name and that nothing more is written to it; the engine's words on a line of their own.
QString damageMessage(const QString &libraryFileName, const QString &words);

} // namespace library
