#pragma once

#include <QString>

class TAboutBox;
class TDataModule1;
class TForm1;
class TFormEdit;

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

// The four of the running program, for main() and the tests and benchmarks that drive it; the
// windows and modules themselves are handed what they need and never read these.
extern TForm1 *Form1;             // the main window; closing it ends the program
extern TDataModule1 *DataModule1; // created after the main window
extern TFormEdit *FormEdit;       // created after the data module
extern TAboutBox *AboutBox;       // created last
