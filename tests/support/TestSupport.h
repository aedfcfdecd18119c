#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary program folder with an empty DBase, for tests that open real library files.
class TempProgramFolder {
public:
    TempProgramFolder();
    bool isValid() const { return FDir.isValid(); }
    // The folder with its trailing separator, as the program folder is handed around.
    QString path() const;
    QString file(const QString &relative) const;

private:
    QTemporaryDir FDir;
};
