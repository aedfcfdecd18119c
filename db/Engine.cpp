#include "db/Engine.h"

namespace quil {

std::unique_ptr<Statement> Engine::prepareOrThrow(const QString &sql)
{
    auto statement = prepare(sql);
    if (!statement)
        throwEngineError(FError);
    return statement;
}

bool Engine::execute(const QString &sql)
{
    const auto statement = prepare(sql);
    if (!statement)
        return false;
    if (statement->exec())
        return true;
    FError = statement->error();
    return false;
}

void Engine::executeOrThrow(const QString &sql)
{
    if (!execute(sql))
        throwEngineError(FError);
}

void checkFinished(const Statement &statement)
{
    const EngineError &error = statement.error();
    if (error.isValid())
        throwEngineError(error);
}

} // namespace quil
