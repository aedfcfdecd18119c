#pragma once

#include <QString>

// The program's four windows and modules: Form1, DataModule1, FormEdit and AboutBox, created
// in that order and wired together, released in the reverse order. main() holds one for the
// whole run; tests hold one per case with a temporary program folder.
class Program {
public:
    // programFolder ends with the separator; it is handed to the windows that need it.
    explicit Program(const QString &programFolder);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;
};
