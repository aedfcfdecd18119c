#include "pg/PgLibrary.h"

#include "pg/PgEngine.h"

#include <QCoreApplication>
#include <QStringList>

namespace pg {
namespace {
const char *const Fields[] = {"name",  "title",  "city",       "resume", "location", "key",
                              "wname", "wtitle", "wpublisher", "year",   "pages"};
} // namespace

void validate(PgEngine &engine)
{
    const QStringList columns = engine.columns(QStringLiteral("books"));
    if (columns.isEmpty())
        throw quil::Error(QCoreApplication::translate("PgLibrary", "На сервере нет таблицы Books"));
    for (const char *field : Fields)
        if (!columns.contains(QLatin1String(field)))
            throw quil::Error(
                QCoreApplication::translate("PgLibrary", "В таблице Books на сервере нет поля %1")
                    .arg(field));
    if (!columns.contains(engine.rowVersionColumn()))
        throw quil::Error(QCoreApplication::translate(
                              "PgLibrary", "В таблице Books на сервере нет поля %1: её сделала не "
                                           "эта программа")
                              .arg(engine.rowVersionColumn()));
}

quil::Error openError(const QString &libraryFileName, const std::exception &e)
{
    const QString library =
        QCoreApplication::translate("PgLibrary", "Библиотека ") + libraryFileName;
    const auto *error = dynamic_cast<const quil::Error *>(&e);
    const auto *engine = dynamic_cast<const quil::EngineError *>(&e);
    const QString words = error ? error->detail() : QString::fromUtf8(e.what());
    if (!engine) {
        QString sentence = error ? error->sentence() : quil::messageOf(e);
        if (!sentence.isEmpty())
            sentence[0] = sentence[0].toLower();
        return quil::Error(library + QCoreApplication::translate("PgLibrary", " не открывается: ") +
                               sentence,
                           words);
    }
    QString what;
    switch (engine->code()) {
    case quil::engine_code::Disconnected:
        what = QCoreApplication::translate(
            "PgLibrary", " не открывается: сервер базы данных недоступен; проверьте адрес "
                         "сервера в файле библиотеки и связь с ним");
        break;
    case quil::engine_code::Auth:
        what = QCoreApplication::translate(
            "PgLibrary", " не открывается: сервер отказал во входе; проверьте имя "
                         "пользователя в файле библиотеки и пароль в ~/.pgpass");
        break;
    case quil::engine_code::Perm:
        what = QCoreApplication::translate("PgLibrary",
                                           " не открывается: на сервере нет прав на таблицу Books");
        break;
    default:
        what = QCoreApplication::translate("PgLibrary", " не открывается. ") + engine->sentence();
        break;
    }
    return quil::Error(library + what, engine->detail());
}

} // namespace pg
