#include "store/TDataModule1.h"

#include "db/DataLink.h"
#include "pg/PgEngine.h"
#include "platform/Dialogs.h"
#include "store/Book.h"
#include "store/DurableFile.h"
#include "store/LibraryCheck.h"
#include "store/LibraryFile.h"
#include "store/Salvage.h"
#include "store/TextIndex.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QScopedValueRollback>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <utility>

struct TDataModule1::RunningBackup {
    std::atomic<bool> stop = false;
    std::unique_ptr<QThread> thread;
};

struct TDataModule1::RunningCheck {
    library::WholeCheck check;
    std::unique_ptr<QThread> thread;
};

namespace {
const char NoRecords[] = QT_TRANSLATE_NOOP("TDataModule1", "Нет записей");
const char PositionFormat[] = QT_TRANSLATE_NOOP("TDataModule1", "%1 из %2");
const QString Ellipsis = QStringLiteral(" ...");
} // namespace

// Watches the table's data events for a change of its state; the dataset tells every change of
// state by one of them.
class TDataModule1::StateWatch : public quil::DataLink {
public:
    explicit StateWatch(TDataModule1 &dataModule) : FDataModule(dataModule)
    {
        setDataSource(&dataModule.DataSource);
    }

    void dataEvent(quil::DataEvent event, quil::Field *field) override
    {
        quil::DataLink::dataEvent(event, field);
        const quil::DataSetState state = FDataModule.ADOTable.State();
        if (state == FDataModule.FTableState)
            return;
        FDataModule.FTableState = state;
        emit FDataModule.stateChanged(state);
    }

private:
    TDataModule1 &FDataModule;
};

TDataModule1::TDataModule1()
    : ADOConnection(library::engineFor),
      ADOTable(ADOConnection, book::TableName, book::fieldDefs(), book::Key),
      ADOQuery(ADOConnection, book::TableName, book::fieldDefs(), book::Key)
{
    ADOTableName = &ADOTable.FieldByName(book::Name);
    ADOTableTitle = &ADOTable.FieldByName(book::Title);
    ADOTableCity = &ADOTable.FieldByName(book::City);
    ADOTableResume = &ADOTable.FieldByName(book::Resume);
    ADOTableLocation = &ADOTable.FieldByName(book::Location);
    ADOTablekey = &ADOTable.FieldByName(book::Key);
    ADOTableWName = &ADOTable.FieldByName(book::WName);
    ADOTableWTitle = &ADOTable.FieldByName(book::WTitle);
    ADOTableWPublisher = &ADOTable.FieldByName(book::WPublisher);
    ADOTableYear = &ADOTable.FieldByName(book::Year);
    ADOTablePages = &ADOTable.FieldByName(book::Pages);
    FAbstract = std::make_unique<Abstract>(*ADOTableResume, DataSource);

    ADOQuery.SQL << QStringLiteral("select * from Books");
    ADOConnection.OnValidate = [](quil::Engine &engine) { library::validate(engine); };
    ADOConnection.OnConnect = [this](quil::Engine &engine) {
        library::prepare(engine);
        // Many entries noted since the last open (another program's import, a close midway)
        // are indexed once the window is up.
        if (!engine.isReadOnly() && textindex::manyNoted(engine))
            FCatchUp->start(0);
    };
    ADOConnection.BeforeCommit = [](quil::Engine &engine) { textindex::catchUp(engine); };
    ADOTable.BrowseIndex = book::BrowseIndex;

    ADOTable.AfterScroll = [this](quil::DataSet &ds) { ADOTableAfterScroll(ds); };
    ADOTableName->OnGetText = [this](quil::Field &f, QString &t, bool d) {
        ADOTableNameGetText(f, t, d);
    };
    ADOTableTitle->OnGetText = [this](quil::Field &f, QString &t, bool d) {
        ADOTableTitleGetText(f, t, d);
    };

    DataSource.setDataSet(&ADOTable);
    DataSourceQuery.setDataSet(&ADOQuery);
    attachDataChange();
    DataSourceQuery.OnDataChange = [this](quil::DataSource *s, quil::Field *f) {
        DataSourceDataChange(s, f);
    };
    DataSource.OnUpdateData = [this](quil::DataSource *s) { DataSourceUpdateData(s); };
    FStateWatch = std::make_unique<StateWatch>(*this);
    quil::setDamageReport([this](const quil::EngineError &e) { reportDamage(e.detail()); });
    FCheckRestart = new QTimer(this);
    FCheckRestart->setSingleShot(true);
    FCheckRestart->setInterval(20000);
    connect(FCheckRestart, &QTimer::timeout, this, &TDataModule1::restartCheck);
    FReconnect = new QTimer(this);
    FReconnect->setInterval(3000);
    connect(FReconnect, &QTimer::timeout, this, [this] {
        auto *server = ADOConnection.Connected()
                           ? dynamic_cast<pg::PgEngine *>(&ADOConnection.engine())
                           : nullptr;
        if (!server)
            FReconnect->stop();
        else
            server->ensureConnected();
    });
    ADOConnection.OnWrite = [this] { interruptCheck(); };
    FBackupDue = new QTimer(this);
    FBackupDue->setSingleShot(true);
    connect(FBackupDue, &QTimer::timeout, this, &TDataModule1::startBackup);
    FCatchUp = new QTimer(this);
    connect(FCatchUp, &QTimer::timeout, this, &TDataModule1::catchUpStep);
    ADOConnection.OnStored = [this] {
        backupAfterChange();
        startCatchUp();
    };
}

TDataModule1::~TDataModule1()
{
    quil::setDamageReport(nullptr);
    interruptCheck();
    for (const auto &running : FChecks)
        running->thread->wait();
    stopBackup();
}

void TDataModule1::reportDamage(const QString &words)
{
    if (!ADOConnection.Connected())
        return;
    ADOConnection.markDamaged(words);
    if (std::exchange(FDamageReported, true))
        return;
    emit damageFound();
    offerSalvage(library::damageMessage(FLibraryFileName, words), FProgramFolder, FLibraryFileName);
}

bool TDataModule1::offerSalvage(const QString &damage, const QString &programFolder,
                                const QString &libraryFileName)
{
    const QString path = library::folder(programFolder) + libraryFileName;
    const QString salvaged = library::salvagePath(path);
    library::Salvaged result;
    try {
        // Off this thread: a big library takes a while, and the window must stay painted.
        const bool finished = quil::dialogs().runWithProgress(
            tr("Сбор читаемых записей библиотеки %1 в новую...").arg(libraryFileName),
            [&](const quil::Dialogs::Progress &progress) {
                result = library::salvage(path, salvaged, progress);
            });
        // Stopped: the damaged library stays as it is.
        if (!finished || result.stopped) {
            library::removeLibraryFile(salvaged);
            return false;
        }
    } catch (const std::exception &e) {
        const QString failed = damage +
                               tr("\n\nСобрать из неё новую библиотеку не "
                                  "удалось: ") +
                               quil::messageOf(e);
        const Recovery recovery = offerBackup(failed, QString(), programFolder, libraryFileName);
        if (recovery == Recovery::NoBackup)
            quil::reportError(failed);
        return recovery == Recovery::Restored;
    }
    QStringList lost;
    for (const qint64 key : std::as_const(result.lost).mid(0, 10))
        lost << QString::number(key);
    if (result.lost.size() > 10)
        lost << QStringLiteral("…");
    const QString offer =
        tr("Собрать из неё новую библиотеку? Сохранятся записей: %1, потеряются: %2%3. "
           "Повреждённый файл останется без изменений в папке DBase\\Damaged.")
            .arg(result.saved)
            .arg(result.lost.size())
            .arg(lost.isEmpty() ? QString()
                                : tr(" (ключи %1)").arg(lost.join(QStringLiteral(", "))));
    const Recovery recovery = offerBackup(damage, offer, programFolder, libraryFileName);
    if (recovery == Recovery::Restored || recovery == Recovery::Declined ||
        (recovery == Recovery::NoBackup &&
         !quil::dialogs().askYesNo(QStringLiteral("QUIL.Lib"),
                                   damage + QStringLiteral("\n\n") + offer))) {
        library::removeLibraryFile(salvaged);
        return recovery == Recovery::Restored;
    }
    interruptCheck();
    FCheckRestart->stop();
    FCatchUp->stop();
    ADOConnection.Close();
    QString aside;
    try {
        aside = library::putSalvagedInPlace(path);
    } catch (const std::exception &e) {
        quil::reportError(quil::messageOf(e));
    }
    // The salvaged library, or the damaged one should it have stayed in place.
    if (!quil::guarded([&] { openLibrary(programFolder, libraryFileName); }) || aside.isEmpty())
        return false;
    quil::dialogs().showInformation(
        QStringLiteral("QUIL.Lib"),
        tr("Библиотека %1 собрана заново: записей %2, потеряно %3. Повреждённый "
           "файл сохранён как %4.")
            .arg(libraryFileName)
            .arg(result.saved)
            .arg(result.lost.size())
            .arg(QDir::toNativeSeparators(aside)));
    return true;
}

namespace {
QString shownTime(const QDateTime &made)
{
    return made.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString backupItem(const library::BackupFile &backup)
{
    return TDataModule1::tr("%1, записей: %2").arg(shownTime(backup.made)).arg(backup.entries);
}
} // namespace

TDataModule1::Recovery TDataModule1::offerBackup(const QString &damage, const QString &salvageOffer,
                                                 const QString &programFolder,
                                                 const QString &libraryFileName)
{
    const QString path = library::folder(programFolder) + libraryFileName;
    const QList<library::BackupFile> backups = library::backupsOf(path, true);
    if (backups.isEmpty())
        return Recovery::NoBackup;
    const library::BackupFile &newest = backups.first();
    QStringList items{tr("Вернуть её резервную копию от %1 (записей: %2)")
                          .arg(shownTime(newest.made))
                          .arg(newest.entries)};
    if (!salvageOffer.isEmpty())
        items << salvageOffer;
    const QList<int> chosen = quil::dialogs().chooseItems(
        QStringLiteral("QUIL.Lib"),
        damage + tr("\n\nЧто сделать? Повреждённый файл останется без изменений в "
                    "папке DBase\\Damaged."),
        items, false);
    if (chosen == QList<int>{1})
        return Recovery::Salvage;
    if (chosen != QList<int>{0})
        return Recovery::Declined;
    putBackupInPlace(newest.path, library::damagedPath(path), programFolder, libraryFileName);
    return Recovery::Restored;
}

void TDataModule1::backupAfterChange()
{
    // A server keeps its own backups; the copies here are of files.
    if (pg::isServerLibrary(FLibraryPath))
        return;
    FChangedSinceBackup = true;
    if (FBackupDue->isActive() || (FBackup && !FBackup->thread->isFinished()))
        return;
    FBackupDue->start(!FSinceBackup.isValid()
                          ? FBackupFirstMs
                          : int(std::max<qint64>(0, FBackupIntervalMs - FSinceBackup.elapsed())));
}

void TDataModule1::setBackupDelays(int firstMs, int intervalMs)
{
    FBackupFirstMs = firstMs;
    FBackupIntervalMs = intervalMs;
}

void TDataModule1::startBackup()
{
    if (!FChangedSinceBackup || !ADOTable.Active() || libraryDamaged() || libraryReadOnly() ||
        (FBackup && !FBackup->thread->isFinished()))
        return;
    if (FBackup)
        FBackup->thread->wait();
    FChangedSinceBackup = false;
    FSinceBackup.start();
    FBackup = std::make_unique<RunningBackup>();
    RunningBackup &running = *FBackup;
    const quint64 open = FOpenCount;
    running.thread.reset(QThread::create([this, &running, path = FLibraryPath, open] {
        std::optional<library::BackupFile> made;
        std::optional<quil::EngineError> damage;
        QString failure;
        try {
            made = library::makeBackup(path, QDateTime::currentDateTime(),
                                       [&running] { return !running.stop; });
        } catch (const quil::EngineError &e) {
            if (e.damage())
                damage = e;
            failure = quil::messageOf(e);
        } catch (const std::exception &e) {
            failure = quil::messageOf(e);
        }
        const bool stopped = running.stop;
        QMetaObject::invokeMethod(
            this,
            [this, made, damage, failure, stopped, open] {
                if (open != FOpenCount)
                    return;
                if (made) {
                    emit backupMade(made->path, made->entries);
                } else if (damage) {
                    reportDamage(damage->detail());
                    return;
                } else if (!stopped) {
                    // Owed still: tried again at the next change or close.
                    FChangedSinceBackup = true;
                    if (!std::exchange(FBackupFailureReported, true))
                        quil::reportError(
                            tr("Резервная копия библиотеки %1 не сделана: ").arg(FLibraryFileName) +
                            failure);
                }
                if (FChangedSinceBackup)
                    backupAfterChange();
            },
            Qt::QueuedConnection);
    }));
    running.thread->start(QThread::LowPriority);
}

void TDataModule1::waitForBackup()
{
    if (FBackup)
        FBackup->thread->wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TDataModule1::stopBackup()
{
    FBackupDue->stop();
    if (!FBackup)
        return;
    FBackup->stop = true;
    FBackup->thread->wait();
    FBackup.reset();
}

void TDataModule1::finishBackups()
{
    FBackupDue->stop();
    waitForBackup();
    if (!FChangedSinceBackup)
        return;
    startBackup();
    waitForBackup();
}

std::optional<library::BackupFile> TDataModule1::chooseBackup(const QString &text)
{
    const QList<library::BackupFile> backups = library::backupsOf(FLibraryPath, true);
    if (backups.isEmpty()) {
        quil::dialogs().showInformation(
            QStringLiteral("QUIL.Lib"),
            tr("Резервных копий библиотеки %1 пока нет: они появляются в папке "
               "DBase\\Backup после изменений в ней.")
                .arg(FLibraryFileName));
        return std::nullopt;
    }
    QStringList items;
    for (const library::BackupFile &backup : backups)
        items << backupItem(backup);
    const QList<int> chosen =
        quil::dialogs().chooseItems(tr("Резервные копии"), text, items, false);
    if (chosen.size() != 1)
        return std::nullopt;
    return backups[chosen.first()];
}

void TDataModule1::RestoreFromBackup()
{
    if (!ADOTable.Active())
        return;
    const auto backup =
        chooseBackup(tr("Копии библиотеки %1. Какую вернуть на её место?").arg(FLibraryFileName));
    if (!backup)
        return;
    const bool damaged = libraryDamaged();
    const QString aside =
        damaged ? library::damagedPath(FLibraryPath)
                : library::keptBeforeRestore(FLibraryPath, QDateTime::currentDateTime());
    if (!quil::dialogs().askYesNo(
            QStringLiteral("QUIL.Lib"),
            tr("Заменить библиотеку %1 её копией от %2 (записей: %3)? Нынешний файл "
               "останется без изменений в папке DBase\\%4.")
                .arg(FLibraryFileName, shownTime(backup->made))
                .arg(backup->entries)
                .arg(QFileInfo(QFileInfo(aside).absolutePath()).fileName())))
        return;
    if (!damaged)
        ADOTable.CheckBrowseMode();
    putBackupInPlace(backup->path, aside, FProgramFolder, FLibraryFileName);
}

void TDataModule1::putBackupInPlace(const QString &backupPath, const QString &aside,
                                    const QString &programFolder, const QString &libraryFileName)
{
    const QString path = library::folder(programFolder) + libraryFileName;
    interruptCheck();
    FCheckRestart->stop();
    FCatchUp->stop();
    stopBackup();
    FChangedSinceBackup = false;
    ADOConnection.Close();
    std::optional<quil::Error> failure;
    try {
        // Kept there already, the same bytes: nothing to keep twice.
        if (QFileInfo::exists(aside) && library::sameContents(aside, path))
            QFile::remove(aside);
        library::putBackupInPlace(path, backupPath, aside);
    } catch (const std::exception &e) {
        failure = quil::explained(tr("Копия не восстановлена"), e);
    }
    // The backup, or the library as it was should it have stayed in place.
    openLibrary(programFolder, libraryFileName);
    if (bookmarkStored())
        releaseBookMark();
    if (failure)
        throw *failure;
    quil::dialogs().showInformation(
        QStringLiteral("QUIL.Lib"),
        tr("Библиотека %1 восстановлена из копии: записей %2. Прежний файл "
           "сохранён как %3.")
            .arg(FLibraryFileName)
            .arg(ADOTable.RecordCount())
            .arg(QDir::toNativeSeparators(aside)));
}

void TDataModule1::RestoreDeletedEntries()
{
    if (!ADOTable.Active())
        return;
    ADOTable.CheckBrowseMode();
    ADOTable.checkWritable();
    const auto backup = chooseBackup(
        tr("Копии библиотеки %1. В какой искать удалённые записи?").arg(FLibraryFileName));
    if (!backup)
        return;
    const QList<library::MissingEntry> missing =
        library::missingEntries(backup->path, FLibraryPath);
    if (missing.isEmpty()) {
        quil::dialogs().showInformation(
            QStringLiteral("QUIL.Lib"),
            tr("В копии от %1 нет записей, которых нет в библиотеке %2.")
                .arg(shownTime(backup->made), FLibraryFileName));
        return;
    }
    QStringList items;
    for (const library::MissingEntry &entry : missing)
        items << book::oneLine(entry.name) + QStringLiteral(" — ") + book::oneLine(entry.title);
    const QList<int> chosen = quil::dialogs().chooseItems(
        tr("Удалённые записи"),
        tr("Записи копии от %1, которых нет в библиотеке. Какие вернуть?")
            .arg(shownTime(backup->made)),
        items, true);
    if (chosen.isEmpty())
        return;
    QList<qint64> keys;
    for (const int row : chosen)
        keys << missing[row].key;
    ADOTable.checkWritable();
    const int brought = library::bringBack(ADOConnection.engine(), backup->path, keys);
    ADOConnection.afterStore();
    ADOTable.Refresh();
    ADOTable.locateKey(keys.first());
    quil::dialogs().showInformation(QStringLiteral("QUIL.Lib"),
                                    tr("Возвращено записей: %1.").arg(brought));
}

void TDataModule1::startCheck()
{
    const quint64 open = FOpenCount;
    auto running = std::make_unique<RunningCheck>();
    library::WholeCheck &check = running->check;
    running->thread.reset(QThread::create([this, &check, path = FLibraryPath, open] {
        const std::optional<QString> finding = check.run(path);
        if (finding && finding->isEmpty())
            return;
        QMetaObject::invokeMethod(
            this,
            [this, finding, open] {
                if (open != FOpenCount)
                    return;
                if (finding)
                    reportDamage(*finding);
                else
                    FCheckRestart->start();
            },
            Qt::QueuedConnection);
    }));
    FChecks.erase(std::remove_if(FChecks.begin(), FChecks.end(),
                                 [](const auto &done) { return done->thread->isFinished(); }),
                  FChecks.end());
    running->thread->start(QThread::LowPriority);
    FChecks.push_back(std::move(running));
}

void TDataModule1::interruptCheck()
{
    for (const auto &running : FChecks)
        running->check.interrupt();
    // Changes go on: the check waits until they stop.
    if (FCheckRestart->isActive())
        FCheckRestart->start();
}

void TDataModule1::restartCheck()
{
    if (!ADOTable.Active() || libraryDamaged() || pg::isServerLibrary(FLibraryPath))
        return;
    // A record being edited is about to be stored.
    if (ADOTable.State() != quil::DataSetState::Browse) {
        FCheckRestart->start();
        return;
    }
    startCheck();
}

void TDataModule1::setCheckIdleDelay(int ms) { FCheckRestart->setInterval(ms); }

void TDataModule1::waitForCheck()
{
    for (const auto &running : FChecks)
        running->thread->wait();
    FChecks.clear();
    // What the checks found was posted to this thread.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

TDataModule1::QuietStore::QuietStore(TDataModule1 &dataModule) : FDataModule(dataModule)
{
    FDataModule.detachDataChange();
    emit FDataModule.quietChanged(true);
}

TDataModule1::QuietStore::~QuietStore()
{
    if (FKeep)
        return;
    FDataModule.attachDataChange();
    emit FDataModule.quietChanged(false);
}

bool TDataModule1::OpenLibrary(const QString &programFolder, const QString &libraryFileName)
{
    bool damaged = false;
    try {
        openLibrary(programFolder, libraryFileName, &damaged);
        return true;
    } catch (const quil::Error &e) {
        if (!damaged)
            throw;
        // The library open now gives way only to a recovered one; what it owes is stored and
        // copied first, as for any open.
        if (ADOTable.Active())
            ADOTable.CheckBrowseMode();
        finishBackups();
        return offerSalvage(e.message(), programFolder, libraryFileName);
    }
}

void TDataModule1::openLibrary(const QString &programFolder, const QString &libraryFileName,
                               bool *damaged)
{
    const QString connectionString = library::connectionString(programFolder, libraryFileName);
    const QString path = library::folder(programFolder) + libraryFileName;
    const auto openError = [&](const std::exception &e) {
        if (damaged)
            *damaged = library::damagedAtOpen(path, e);
        return library::openError(path, libraryFileName, e);
    };
    try {
        ADOConnection.Check(connectionString);
    } catch (const std::exception &e) {
        throw openError(e);
    }
    if (ADOTable.Active())
        ADOTable.CheckBrowseMode();
    // The changes made in the library going away are copied before it goes.
    finishBackups();

    const QString previous = ADOConnection.ConnectionString();
    const bool wasOpen = ADOConnection.Connected();
    const bool selectionOpen = ADOQuery.Active();
    // The library going away is not read to its end.
    interruptCheck();
    FCheckRestart->stop();
    FCatchUp->stop();
    FServerWatch.reset();
    FReconnect->stop();
    ADOConnection.Close();
    // The selection goes with the library it was made in, and its position with it.
    if (selectionOpen)
        showStatus(2, tr(NoRecords));
    ADOConnection.setConnectionString(connectionString);
    try {
        ADOConnection.Open();
        // The order is set before the table opens, so the keys are read once, already in
        // order, and the first entry of that order is the current one.
        ADOTable.setSort(book::DefaultSort);
        ADOTable.Open();
        ++FOpenCount;
        FLibraryFileName = libraryFileName;
        FLibraryPath = path;
        FProgramFolder = programFolder;
        FDamageReported = false;
        FChangedSinceBackup = false;
        FSinceBackup.invalidate();
        FBackupFailureReported = false;
        watchServer();
        // A server keeps its own tables whole; the check of the whole file is for files.
        if (!pg::isServerLibrary(path))
            startCheck();
    } catch (const std::exception &e) {
        const quil::Error error = openError(e);
        ADOConnection.Close();
        if (wasOpen) {
            ADOConnection.setConnectionString(previous);
            // The library open before was whole a moment ago; should it fail now, the error
            // reported is still the one of the file picked.
            try {
                ADOConnection.Open();
                ADOTable.Open();
                watchServer();
            } catch (const std::exception &) {
                ADOConnection.Close();
            }
        }
        throw error;
    }
    // Damage met while the file was made ready (its index of texts) is told once it is open.
    if (libraryDamaged())
        reportDamage(ADOConnection.engine().damageWords());
}

namespace {
// Some tens of milliseconds of indexing: a store made meanwhile waits no longer than that.
constexpr int CatchUpStepEntries = 1000;
} // namespace

void TDataModule1::startCatchUp()
{
    if (FCatchUp->isActive() || !ADOConnection.Connected() || libraryReadOnly() ||
        libraryDamaged() || !textindex::manyNoted(ADOConnection.engine()))
        return;
    FCatchUp->start(0);
}

bool TDataModule1::catchingUp() const { return FCatchUp->isActive(); }

void TDataModule1::catchUpStep()
{
    if (!ADOConnection.Connected() || libraryReadOnly() || libraryDamaged()) {
        FCatchUp->stop();
        return;
    }
    quil::Engine &engine = ADOConnection.engine();
    // An import's batch is open: the timer rests rather than fire idly through it; the store
    // that ends the import starts it again.
    if (engine.inTransaction()) {
        FCatchUp->stop();
        return;
    }
    ADOConnection.beforeWrite();
    try {
        if (!textindex::catchUpStep(engine, CatchUpStepEntries))
            FCatchUp->stop();
    } catch (const quil::Error &e) {
        // What stays noted is caught up at the next open; only damage is told.
        FCatchUp->stop();
        if (const auto *failure = dynamic_cast<const quil::EngineError *>(&e);
            failure && failure->damage())
            reportDamage(failure->detail());
    }
}

void TDataModule1::finishCatchUp()
{
    while (FCatchUp->isActive())
        catchUpStep();
}

bool TDataModule1::libraryReadOnly() const
{
    return ADOConnection.Connected() && ADOConnection.ReadOnly();
}

void TDataModule1::CheckForChanges()
{
    ADOTable.CheckForChanges();
    if (ADOQuery.Active()) {
        // Its current row moving with others' changes is no move of the user's: the table
        // stays on its entry.
        const QScopedValueRollback following(FSelectionFollowing, true);
        ADOQuery.CheckForChanges();
    }
}

void TDataModule1::watchServer()
{
    FServerWatch.reset();
    auto *server = dynamic_cast<pg::PgEngine *>(&ADOConnection.engine());
    if (!server || server->socket() < 0)
        return;
    // Others' stores arrive as notifications on the connection's socket: the table is read
    // again as soon as one comes, not on a timer. A reconnect brings another socket.
    server->onReconnect = [this] {
        QTimer::singleShot(0, this, [this] {
            if (!ADOConnection.Connected())
                return;
            FReconnect->stop();
            watchServer();
            showStatus(1, tr("Связь с сервером библиотеки восстановлена"));
        });
    };
    FServerWatch = std::make_unique<QSocketNotifier>(server->socket(), QSocketNotifier::Read);
    connect(FServerWatch.get(), &QSocketNotifier::activated, this, [this, server] {
        // Reading the notifications empties the socket even while a record is being edited;
        // the table follows them once it is stored.
        ADOConnection.dataVersion();
        if (server->socket() < 0) {
            // The server went away: what is typed stays; the connection is tried again now
            // and then, and by the next store.
            FServerWatch.reset();
            showStatus(1, tr("Нет связи с сервером библиотеки: введённое не "
                             "потеряно, сохраните его, когда связь восстановится"));
            FReconnect->start();
            return;
        }
        quil::guarded([this] { CheckForChanges(); });
        emit serverChanged();
    });
}

void TDataModule1::detachDataChange() { DataSource.OnDataChange = nullptr; }

void TDataModule1::attachDataChange()
{
    DataSource.OnDataChange = [this](quil::DataSource *s, quil::Field *f) {
        DataSourceDataChange(s, f);
    };
    // A store made meanwhile may have added an entry, the first one of an empty library too.
    if (ADOTable.Active())
        showPosition();
}

void TDataModule1::showPosition()
{
    if (!statusShown())
        return;
    showStatus(0, ADOTable.IsEmpty()
                      ? tr(NoRecords)
                      : tr(PositionFormat).arg(ADOTable.RecNo()).arg(ADOTable.RecordCount()));
}

void TDataModule1::showStatus(int panel, const QString &text) { emit statusChanged(panel, text); }

bool TDataModule1::statusShown() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TDataModule1::statusChanged));
}

bool TDataModule1::dataChangeAttached() const { return bool(DataSource.OnDataChange); }

void TDataModule1::showCurrentRecord()
{
    if (ADOTable.Active() && DataSource.OnDataChange)
        DataSource.OnDataChange(&DataSource, nullptr);
}

void TDataModule1::DataSourceDataChange(quil::DataSource *sender, quil::Field *)
{
    emit currentRecordChanged();
    if (sender == &DataSource) {
        showPosition();
        if (ADOTable.IsEmpty())
            return;
        if (statusShown()) {
            showStatus(1, book::oneLine(ADOTableName->AsString()) + QStringLiteral("    ") +
                              book::oneLine(ADOTableTitle->AsString()));
        }
    } else if (sender == &DataSourceQuery && ADOQuery.Active() && ADOQuery.IsEmpty()) {
        // An empty selection must not leave the position of the one before it.
        showStatus(2, tr(NoRecords));
    } else if (sender == &DataSourceQuery && ADOQuery.Active()) {
        if (statusShown())
            showStatus(2, tr(PositionFormat).arg(ADOQuery.RecNo()).arg(ADOQuery.RecordCount()));
        // The query holds the table's key: one move straight to that entry, which the table's
        // controls follow as they follow any move (a record being edited is stored first).
        // Nothing is walked, so there is no display to suspend: resuming one would redraw
        // every row of the grid instead of moving its current row.
        if (ADOTable.Active() && !FSelectionFollowing)
            ADOTable.locateKey(ADOQuery.keyField().Value().toLongLong());
    }
}

void TDataModule1::ADOTableAfterScroll(quil::DataSet &) { emit currentRecordChanged(); }

QString TDataModule1::ShortFieldText(quil::Field &sender, bool isName)
{
    if (sender.IsNull())
        return {};
    const int limit = isName ? 40 : 55;
    // Only the head of the value is shown; a line break counts one character once made a
    // blank, so twice the limit (and one more) is enough to tell whether the value is cut.
    const QString text = book::oneLine(sender.AsString().left(2 * (limit + 1)));
    if (text.size() > limit)
        return text.left(limit) + Ellipsis;
    return text;
}

void TDataModule1::ADOTableNameGetText(quil::Field &sender, QString &text, bool)
{
    text = ShortFieldText(sender, true);
}

void TDataModule1::ADOTableTitleGetText(quil::Field &sender, QString &text, bool)
{
    text = ShortFieldText(sender, false);
}

void TDataModule1::DataSourceUpdateData(quil::DataSource *)
{
    const QString name = ADOTableWName->AsString();
    ADOTableName->setAsString(name.isEmpty() ? book::NewText : name);
    const QString title = ADOTableWTitle->AsString();
    ADOTableTitle->setAsString(title.isEmpty() ? book::NewText : title);
}

void TDataModule1::InsertBook()
{
    ADOTable.Edit();
    ADOTable.Insert();
    for (quil::Field *field : {ADOTableCity, ADOTableResume, ADOTableLocation})
        field->setAsString(book::NewText);
    ADOTable.Post();
}

void TDataModule1::StoreCurrentRecord()
{
    ADOTable.Edit();
    ADOTable.Post();
}

void TDataModule1::SaveRecord()
{
    const QuietStore quiet(*this);
    StoreCurrentRecord();
    emit stored();
}

bool TDataModule1::storesOnClose() const
{
    return ADOTable.Active() && !libraryReadOnly() && !libraryDamaged();
}

void TDataModule1::StoreOnClose()
{
    if (!storesOnClose())
        return;
    // Storing the current record again on the way out is not a change of its own.
    const bool changed = FChangedSinceBackup || ADOTable.State() != quil::DataSetState::Browse;
    QuietStore quiet(*this);
    StoreCurrentRecord();
    quiet.keep();
    FChangedSinceBackup = changed;
    finishBackups();
}

void TDataModule1::DeleteRecord()
{
    ADOTable.Edit();
    ADOTable.Delete();
}

void TDataModule1::LoadAbstract(const std::function<void()> &fill)
{
    const QuietStore quiet(*this);
    ADOTable.Edit();
    fill();
    ADOTable.Post();
    emit stored();
}

void TDataModule1::TakeBookMark()
{
    if (StoredBookMark.isValid())
        ADOTable.FreeBookmark(StoredBookMark);
    StoredBookMark = ADOTable.GetBookmark();
    emit bookmarkStoredChanged(true);
}

void TDataModule1::ReturnToBookMark()
{
    ADOTable.GotoBookmark(StoredBookMark);
    ADOTable.FreeBookmark(StoredBookMark);
    emit bookmarkStoredChanged(false);
}

void TDataModule1::releaseBookMark()
{
    ADOTable.FreeBookmark(StoredBookMark);
    emit bookmarkStoredChanged(false);
}
