#include "store/TDataModule1.h"

#include "db/DataLink.h"
#include "pg/PgEngine.h"
#include "platform/Dialogs.h"
#include "store/Book.h"
#include "store/DurableFile.h"
#include "store/LibraryCheck.h"
#include "store/LibraryFile.h"
#include "store/Salvage.h"

#include <QCoreApplication>
#include <QDir>
#include <QMetaMethod>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>

struct TDataModule1::RunningCheck {
    library::WholeCheck check;
    std::unique_ptr<QThread> thread;
};

namespace {
const QString NoRecords = QStringLiteral("Нет записей");
const QString PositionFormat = QStringLiteral("%1 из %2");
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
    ADOConnection.OnConnect = [](quil::Engine &engine) { library::prepare(engine); };
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
}

TDataModule1::~TDataModule1()
{
    quil::setDamageReport(nullptr);
    interruptCheck();
    for (const auto &running : FChecks)
        running->thread->wait();
}

void TDataModule1::reportDamage(const QString &words)
{
    if (!ADOConnection.Connected())
        return;
    ADOConnection.markDamaged(words);
    if (std::exchange(FDamageReported, true))
        return;
    emit damageFound();
    offerSalvage(library::damageMessage(FLibraryFileName, words));
}

void TDataModule1::offerSalvage(const QString &damage)
{
    const QString salvaged = library::salvagePath(FLibraryPath);
    library::Salvaged result;
    try {
        result = library::salvage(FLibraryPath, salvaged);
    } catch (const std::exception &e) {
        quil::reportError(damage +
                          QStringLiteral("\n\nСобрать из неё новую библиотеку не "
                                         "удалось: ") +
                          quil::messageOf(e));
        return;
    }
    QStringList lost;
    for (const qint64 key : std::as_const(result.lost).mid(0, 10))
        lost << QString::number(key);
    if (result.lost.size() > 10)
        lost << QStringLiteral("…");
    const QString offer =
        QStringLiteral("Собрать из неё новую библиотеку? Сохранятся записей: %1, потеряются: %2%3. "
                       "Повреждённый файл останется без изменений в папке DBase\\Damaged.")
            .arg(result.saved)
            .arg(result.lost.size())
            .arg(lost.isEmpty()
                     ? QString()
                     : QStringLiteral(" (ключи %1)").arg(lost.join(QStringLiteral(", "))));
    if (!quil::dialogs().askYesNo(QStringLiteral("QUIL.Lib"),
                                  damage + QStringLiteral("\n\n") + offer)) {
        library::removeLibraryFile(salvaged);
        return;
    }
    interruptCheck();
    FCheckRestart->stop();
    ADOConnection.Close();
    QString aside;
    try {
        aside = library::putSalvagedInPlace(FLibraryPath);
    } catch (const std::exception &e) {
        quil::reportError(quil::messageOf(e));
    }
    // The salvaged library, or the damaged one should it have stayed in place.
    if (!quil::guarded([this] { OpenLibrary(FProgramFolder, FLibraryFileName); }))
        return;
    if (!aside.isEmpty())
        quil::dialogs().showInformation(
            QStringLiteral("QUIL.Lib"),
            QStringLiteral("Библиотека %1 собрана заново: записей %2, потеряно %3. Повреждённый "
                           "файл сохранён как %4.")
                .arg(FLibraryFileName)
                .arg(result.saved)
                .arg(result.lost.size())
                .arg(QDir::toNativeSeparators(aside)));
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

void TDataModule1::OpenLibrary(const QString &programFolder, const QString &libraryFileName)
{
    const QString connectionString = library::connectionString(programFolder, libraryFileName);
    const QString path = library::folder(programFolder) + libraryFileName;
    const auto openError = [&](const std::exception &e) {
        return library::openError(path, libraryFileName, e);
    };
    try {
        ADOConnection.Check(connectionString);
    } catch (const std::exception &e) {
        throw openError(e);
    }
    if (ADOTable.Active())
        ADOTable.CheckBrowseMode();

    const QString previous = ADOConnection.ConnectionString();
    const bool wasOpen = ADOConnection.Connected();
    const bool selectionOpen = ADOQuery.Active();
    // The library going away is not read to its end.
    interruptCheck();
    FCheckRestart->stop();
    FServerWatch.reset();
    FReconnect->stop();
    ADOConnection.Close();
    // The selection goes with the library it was made in, and its position with it.
    if (selectionOpen)
        showStatus(2, NoRecords);
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
}

bool TDataModule1::libraryReadOnly() const
{
    return ADOConnection.Connected() && ADOConnection.ReadOnly();
}

void TDataModule1::CheckForChanges() { ADOTable.CheckForChanges(); }

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
            showStatus(1, QStringLiteral("Связь с сервером библиотеки восстановлена"));
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
            showStatus(1, QStringLiteral("Нет связи с сервером библиотеки: введённое не "
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
                      ? NoRecords
                      : PositionFormat.arg(ADOTable.RecNo()).arg(ADOTable.RecordCount()));
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
        showStatus(2, NoRecords);
    } else if (sender == &DataSourceQuery && ADOQuery.Active()) {
        if (statusShown())
            showStatus(2, PositionFormat.arg(ADOQuery.RecNo()).arg(ADOQuery.RecordCount()));
        // The query holds the table's key: one move straight to that entry, which the table's
        // controls follow as they follow any move (a record being edited is stored first).
        // Nothing is walked, so there is no display to suspend: resuming one would redraw
        // every row of the grid instead of moving its current row.
        if (ADOTable.Active())
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
    QuietStore quiet(*this);
    StoreCurrentRecord();
    quiet.keep();
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
