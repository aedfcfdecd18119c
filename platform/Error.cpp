#include "platform/Error.h"

#include <QCoreApplication>
#include <new>

namespace quil {
namespace {

const char OutOfMemory[] =
    QT_TRANSLATE_NOOP("Error", "Не хватило памяти; закройте другие программы и повторите.");

QString joined(const QString &sentence, const QString &detail)
{
    if (detail.isEmpty())
        return sentence;
    if (sentence.isEmpty())
        return detail;
    return sentence + QLatin1Char('\n') + detail;
}

} // namespace

Error::Error(const QString &sentence, const QString &detail)
    : std::runtime_error(joined(sentence, detail).toStdString()), FSentence(sentence),
      FDetail(detail), FMessage(joined(sentence, detail))
{
}

EngineError::EngineError(int code, const QString &engineText)
    : Error(engineErrorSentence(code), engineText), FCode(code & 0xff)
{
}

QString engineErrorSentence(int code)
{
    switch (code & 0xff) {
    case engine_code::Busy:
    case engine_code::Locked:
    case engine_code::Protocol:
        return QCoreApplication::translate(
            "Error", "Библиотека занята другой программой; закройте её там или "
                     "повторите позже.");
    case engine_code::IoErr:
        return QCoreApplication::translate(
            "Error", "Файл библиотеки не удалось прочитать или записать из-за сбоя "
                     "носителя; проверьте диск и повторите.");
    case engine_code::Corrupt:
    case engine_code::NotADb:
        return QCoreApplication::translate(
            "Error", "Файл библиотеки повреждён или не является библиотекой; верните "
                     "её резервную копию командой «Восстановить из копии…» меню "
                     "«Библиотека».");
    case engine_code::Full:
        return QCoreApplication::translate(
            "Error", "На диске не хватило места, и изменение не сохранено; освободите "
                     "место и повторите.");
    case engine_code::ReadOnly:
        return QCoreApplication::translate(
            "Error", "Библиотеку нельзя изменить, она доступна только для чтения; "
                     "скопируйте её туда, где разрешена запись.");
    case engine_code::CantOpen:
        return QCoreApplication::translate(
            "Error", "Файл библиотеки не удаётся открыть; проверьте, что он на месте "
                     "и что права на него и на его папку есть.");
    case engine_code::Perm:
    case engine_code::Auth:
        return QCoreApplication::translate(
            "Error", "Нет прав на доступ к файлу библиотеки; проверьте права на файл "
                     "и на его папку.");
    case engine_code::Disconnected:
        return QCoreApplication::translate(
            "Error", "Нет связи с сервером библиотеки: изменение не сохранено, "
                     "введённый текст остался на месте; сохраните его снова, когда "
                     "связь восстановится.");
    case engine_code::NoMem: return QCoreApplication::translate("Error", OutOfMemory);
    case engine_code::TooBig:
        return QCoreApplication::translate(
            "Error", "Значение слишком велико для библиотеки; сократите его.");
    case engine_code::Constraint:
        return QCoreApplication::translate(
            "Error", "Библиотека не приняла запись, значение нарушает правило "
                     "таблицы; исправьте его и сохраните снова.");
    case engine_code::Schema:
        return QCoreApplication::translate(
            "Error", "Устройство библиотеки изменила другая программа; откройте "
                     "библиотеку заново.");
    case engine_code::Interrupt:
        return QCoreApplication::translate("Error", "Работа с библиотекой прервана; повторите.");
    default:
        return QCoreApplication::translate(
            "Error", "Работа с библиотекой не удалась; повторите, а если ошибка "
                     "останется, откройте библиотеку заново.");
    }
}

QString engineErrorText(int code, const QString &engineText)
{
    return EngineError(code, engineText).message();
}

void throwEngineError(int code, const QString &engineText)
{
    throwEngineError(EngineError(code, engineText));
}

void throwEngineError(const EngineError &error)
{
    if (error.busy())
        throw BusyError(error);
    throw error;
}

QString messageOf(const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e))
        return error->message();
    // The library's own words ("std::bad_alloc") say nothing to the user.
    if (dynamic_cast<const std::bad_alloc *>(&e))
        return QCoreApplication::translate("Error", OutOfMemory);
    return QString::fromLocal8Bit(e.what());
}

Error explained(const QString &context, const std::exception &e)
{
    const auto *error = dynamic_cast<const Error *>(&e);
    QString reason = error ? error->sentence() : messageOf(e);
    // The reason goes on the context's sentence: its first letter is lowered unless it starts
    // a name ("Books", "Windows-1251").
    if (reason.size() > 1 && reason.at(0).isUpper() && reason.at(1).isLower())
        reason[0] = reason.at(0).toLower();
    return Error(context + QStringLiteral(": ") + reason, error ? error->detail() : QString());
}

QString errorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

} // namespace quil
