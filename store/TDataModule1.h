#pragma once

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/DataSource.h"
#include "store/Abstract.h"
#include "store/Backup.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The hub of the catalogue: the connection to the open library, the table Books and the
// selection query, their two data sources, and the handlers that keep the display in step.
// It tells the windows what happened by its signals and never calls them.
class QTimer;
class QSocketNotifier;

class TDataModule1 : public QObject {
    Q_OBJECT
public:
    TDataModule1();
    ~TDataModule1() override;
    TDataModule1(const TDataModule1 &) = delete;
    TDataModule1 &operator=(const TDataModule1 &) = delete;

    quil::Connection ADOConnection;
    quil::Table ADOTable;
    quil::Query ADOQuery;
    quil::DataSource DataSource;
    quil::DataSource DataSourceQuery;

    quil::Field *ADOTableName;
    quil::Field *ADOTableTitle;
    quil::Field *ADOTableCity;
    quil::Field *ADOTableResume;
    quil::Field *ADOTableLocation;
    quil::Field *ADOTablekey;
    quil::Field *ADOTableWName;
    quil::Field *ADOTableWTitle;
    quil::Field *ADOTableWPublisher;
    quil::Field *ADOTableYear;
    quil::Field *ADOTablePages;

    // The current entry's abstract.
    Abstract &abstract() { return *FAbstract; }

    // While one lives the data-change handler stays detached, so that the program's own stores
    // do not re-enter the status bar and locate logic; it comes back however the store ends,
    // unless keep() asked it to stay away after a store that succeeded.
    class QuietStore {
    public:
        explicit QuietStore(TDataModule1 &dataModule);
        ~QuietStore();
        QuietStore(const QuietStore &) = delete;
        QuietStore &operator=(const QuietStore &) = delete;
        void keep() { FKeep = true; }

    private:
        TDataModule1 &FDataModule;
        bool FKeep = false;
    };

    // Opens the library of that file name in the library folder, in the default order. The
    // file is checked first, reading only; a record being edited is stored, as a move would;
    // only then does the open library give way. On any failure the library open before stays
    // open and the error names the file and, on a new line, what the engine said. A library
    // refused as damaged is offered its recovery instead, as when found damaged while open:
    // true when recovered and opened, false (the user told) when not.
    bool OpenLibrary(const QString &programFolder, const QString &libraryFileName);
    // The open library may not be written (read-only file, folder or medium).
    bool libraryReadOnly() const;
    // The open library was found damaged, by a read or store that failed or by the check of
    // the whole file that follows every open; nothing more is written to it.
    bool libraryDamaged() const { return ADOConnection.Damaged(); }
    // Damage met in the open library: writing stops, and the user is told once per open.
    void reportDamage(const QString &words);
    // Waits for the check of the whole file started by the last open (tests and tools).
    void waitForCheck();
    // A change interrupts the check of the whole file; it starts again from the beginning
    // once no change has been made for this long (20 s unless set).
    void setCheckIdleDelay(int ms);
    // The index of texts catches up on many noted entries (an import's, another program's) in
    // short steps between the window's events, each a transaction of its own; started after an
    // open or a store that leaves them, stopped when the library goes.
    bool catchingUp() const;
    // Runs the remaining steps now (tests and tools).
    void finishCatchUp();
    // Backups of the open library (store/Backup.h), each made on a thread of its own: after
    // the first change since the library was opened, then at most once per interval while
    // changes go on (10 minutes unless set), and when the library is closed after changes.
    void setBackupDelays(int firstMs, int intervalMs);
    // The backup owed for changes not yet copied is made now; waits for it (close, switch).
    void finishBackups();
    // Waits for a running backup (tests and tools).
    void waitForBackup();
    // "Восстановить из копии…": a backup of the open library chosen from a list takes its
    // place after a Yes/No question; the file it replaces is kept.
    void RestoreFromBackup();
    // "Вернуть удалённые записи…": entries that a chosen backup holds and the library no
    // longer has, chosen from a list, come back under their keys.
    void RestoreDeletedEntries();

    // Follows another program's changes to the file in the table and the open selection.
    void CheckForChanges();
    // A shared library: the server's notifications of others' stores are watched.
    bool watchingServer() const { return FServerWatch != nullptr; }

    // Handlers.
    void DataSourceDataChange(quil::DataSource *sender, quil::Field *field);
    void ADOTableAfterScroll(quil::DataSet &dataSet);
    void ADOTableNameGetText(quil::Field &sender, QString &text, bool displayText);
    void ADOTableTitleGetText(quil::Field &sender, QString &text, bool displayText);
    QString ShortFieldText(quil::Field &sender, bool isName);
    void DataSourceUpdateData(quil::DataSource *sender);

    // Record commands. InsertBook stores the current record and adds one whose year, abstract and
    // keywords are the placeholder (the update step makes its author and title the placeholder
    // too). StoreCurrentRecord posts the current record, starting one on an empty table; the
    // update step derives Name and Title.
    void InsertBook();
    void StoreCurrentRecord();
    // "Сохранить", and the editor's "Save in Table": the current record stored quietly.
    void SaveRecord();
    // The program's close stores the record being edited, quietly, and stays quiet after it;
    // a library that may not be written, or none open, has nothing to store.
    bool storesOnClose() const;
    void StoreOnClose();
    // Drops the current record, its pending edits included; on an empty table nothing.
    void DeleteRecord();
    // The editor's "Open": fill replaces the abstract of the record, which is then stored.
    void LoadAbstract(const std::function<void()> &fill);

    // Detaching the data-change handler keeps the program's own stores from re-entering the
    // status bar and locate logic.
    void detachDataChange();
    // Also brings the position up to date: the stores made meanwhile may have changed it.
    void attachDataChange();
    bool dataChangeAttached() const;
    // Runs the data-change handler for the current entry, as a move to it would.
    void showCurrentRecord();
    // Writes the table's position, "%d из %d" or "Нет записей", into panel 0.
    void showPosition();
    // Says text in a panel of the status bar (statusChanged).
    void showStatus(int panel, const QString &text);

    // The one stored bookmark of the table.
    void TakeBookMark();
    void ReturnToBookMark();
    bool bookmarkStored() const { return StoredBookMark.isValid(); }
    void releaseBookMark();

    quil::Bookmark StoredBookMark;

signals:
    // The current record of the table or the selection changed, or was shown again.
    void currentRecordChanged();
    // The program's own stores began (true) or ended (false).
    void quietChanged(bool quiet);
    // A record was stored by one of the record commands.
    void stored();
    // Text for a panel of the status bar: 0 the position, 1 the current entry or what a find
    // found, 2 the position in the selection.
    void statusChanged(int panel, const QString &text);
    // A bookmark was stored, or went ("GetBookMark" / "GotoBookMark").
    void bookmarkStoredChanged(bool stored);
    // The table went into another state: opened or closed, browse, edit or insert.
    void stateChanged(quil::DataSetState state);
    // The open library was found damaged and the user told so.
    void damageFound();
    // A verified backup of the open library was made.
    void backupMade(const QString &path, qint64 entries);
    // Another program stored into the shared library; the table has followed if it could.
    void serverChanged();

private:
    class StateWatch;
    // Nobody shows the status bar (tests and benchmarks of the store alone): nothing to make.
    bool statusShown() const;

    // Checks the whole file just opened on a thread of its own; damage found is reported here.
    void startCheck();
    // Before a change: a running check lets go of the file and is run again when idle.
    void interruptCheck();
    // The open itself; damaged, when given, tells whether it failed on a damaged library.
    void openLibrary(const QString &programFolder, const QString &libraryFileName,
                     bool *damaged = nullptr);
    // Damage told: offers a library rebuilt from the entries still readable, with the counts,
    // for the library of that name, open or refused at open. True when it was rebuilt or its
    // backup restored, and opened.
    bool offerSalvage(const QString &damage, const QString &programFolder,
                      const QString &libraryFileName);
    void restartCheck();
    // A change reached the file: a backup becomes due.
    void backupAfterChange();
    void startCatchUp();
    void catchUpStep();
    void startBackup();
    // A backup of the open library chosen by the user from the list of them all with their
    // dates and entries; nothing when there is none (the user told) or on Cancel.
    std::optional<library::BackupFile> chooseBackup(const QString &text);
    // Closes the library open, puts the backup in the place of the library of that name and
    // opens it.
    void putBackupInPlace(const QString &backupPath, const QString &aside,
                          const QString &programFolder, const QString &libraryFileName);
    // A running backup stops as soon as it can, leaving nothing; waits for it.
    void stopBackup();
    // Damage told: the newest backup offered beside the salvage (salvageOffer, empty when the
    // salvage failed).
    enum class Recovery { NoBackup, Restored, Declined, Salvage };
    Recovery offerBackup(const QString &damage, const QString &salvageOffer,
                         const QString &programFolder, const QString &libraryFileName);
    void watchServer();

    std::unique_ptr<Abstract> FAbstract;
    QString FLibraryFileName;
    QString FLibraryPath;
    QString FProgramFolder;
    bool FDamageReported = false;
    quint64 FOpenCount = 0; // a check's finding belongs to the open that started it
    struct RunningCheck;
    std::vector<std::unique_ptr<RunningCheck>> FChecks;
    QTimer *FCheckRestart;
    struct RunningBackup;
    std::unique_ptr<RunningBackup> FBackup;
    QTimer *FBackupDue;
    QTimer *FCatchUp;
    int FBackupFirstMs = 2000;
    int FBackupIntervalMs = 10 * 60 * 1000;
    bool FChangedSinceBackup = false;
    QElapsedTimer FSinceBackup; // invalid: none since the open
    bool FBackupFailureReported = false;
    std::unique_ptr<QSocketNotifier> FServerWatch;
    bool FSelectionFollowing = false; // the selection follows others' changes, not the user
    QTimer *FReconnect;               // while a shared library's server is away
    quil::DataSetState FTableState = quil::DataSetState::Inactive;
    // Declared last: it leaves the data source before the data source goes.
    std::unique_ptr<StateWatch> FStateWatch;
};
