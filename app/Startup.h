#pragma once

#include <QString>

class TAboutBox;
class TDataModule1;
class TForm1;
class TFormEdit;

// The program's four windows and modules: Form1, DataModule1, FormEdit and AboutBox, created
// in that order and wired together, owned here and released in the reverse order. main() holds
// one for the whole run; tests and benchmarks hold one each and reach the four through it. The
// windows and modules themselves are handed what they need and never reach the Program.
class Program {
public:
    // programFolder ends with the separator; it is handed to the windows that need it.
    explicit Program(const QString &programFolder);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    TForm1 *Form1 = nullptr;             // the main window; closing it ends the program
    TDataModule1 *DataModule1 = nullptr; // created after the main window
    TFormEdit *FormEdit = nullptr;       // created after the data module
    TAboutBox *AboutBox = nullptr;       // created last
};
