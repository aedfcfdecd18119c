#include "TestSupport.h"

#include <QDir>

TempProgramFolder::TempProgramFolder()
{
    QDir dir(FDir.path());
    dir.mkpath(QStringLiteral("DBase"));
    dir.mkpath(QStringLiteral("Abstract"));
    dir.mkpath(QStringLiteral("Import Data"));
    dir.mkpath(QStringLiteral("Result"));
}

QString TempProgramFolder::path() const { return FDir.path() + QLatin1Char('/'); }

QString TempProgramFolder::file(const QString &relative) const { return path() + relative; }
