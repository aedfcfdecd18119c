#include "platform/Dialogs.h"

#include "platform/Error.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <cstdio>
#include <exception>
#include <memory>

namespace quil {
namespace {

// Until an application or a test installs dialogs, questions are declined and reports go to
// standard error, so a tool without a screen never blocks.
class ConsoleDialogs : public Dialogs {
public:
    QString openFileName(const FileRequest &) override { return {}; }
    QString saveFileName(const FileRequest &) override { return {}; }
    bool askYesNo(const QString &, const QString &) override { return false; }
    void showError(const QString &text) override
    {
        std::fprintf(stderr, "QUIL.Lib: %s\n", text.toLocal8Bit().constData());
    }
    void showInformation(const QString &caption, const QString &text) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                     text.toLocal8Bit().constData());
    }
};

ConsoleDialogs consoleDialogs;
Dialogs *current = &consoleDialogs;
std::function<void(const EngineError &)> damageReport;

} // namespace

bool Dialogs::runWithProgress(const QString &, const std::function<void(const Progress &)> &task)
{
    runOffThread([&] { task([](qint64, qint64) { return true; }); });
    return true;
}

void runOffThread(const std::function<void()> &work)
{
    std::exception_ptr raised;
    const std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work();
        } catch (...) {
            raised = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    if (raised)
        std::rethrow_exception(raised);
}

Dialogs &dialogs() { return *current; }

void setDialogs(Dialogs *dialogs) { current = dialogs ? dialogs : &consoleDialogs; }

void reportError(const QString &message) { dialogs().showError(errorReportText(message)); }

void setDamageReport(std::function<void(const EngineError &)> report)
{
    damageReport = std::move(report);
}

bool guarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const EngineError &e) {
        if (e.damage() && damageReport)
            damageReport(e);
        else
            reportError(messageOf(e));
    } catch (const std::exception &e) {
        reportError(messageOf(e));
    } catch (...) {
        reportError(QCoreApplication::translate("Dialogs", "Неизвестная ошибка"));
    }
    return false;
}

} // namespace quil
