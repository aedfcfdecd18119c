#include "app/Startup.h"

#include <utility>

#include "app/TAboutBox.h"
#include "app/TForm1.h"
#include "editor/gui/TFormEdit.h"
#include "jet/Migration.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QCoreApplication>

Program::Program(const QString &programFolder)
{
    QCoreApplication::setApplicationName(QStringLiteral("QUIL.Lib"));
    // What a migration broken off by a kill left behind is never a library: it goes.
    jet::cleanUp(library::folder(programFolder));
    Form1 = new TForm1(programFolder);
    DataModule1 = new TDataModule1;
    Form1->attachDataModule(*DataModule1);
    FormEdit = new TFormEdit(DataModule1, programFolder);
    Form1->attachEditor(*FormEdit);
    QObject::connect(DataModule1, &TDataModule1::currentRecordChanged, FormEdit,
                     &TFormEdit::ResetTextAttributes);
    AboutBox = new TAboutBox;
    Form1->attachAboutBox(*AboutBox);
}

Program::~Program()
{
    delete AboutBox;
    AboutBox = nullptr;
    // Hidden while whole: hiding moves the focus, and the editor's write-back then reaches a
    // window that can still answer. Out of reach before its destructor runs.
    FormEdit->hide();
    delete std::exchange(FormEdit, nullptr);
    // The window hears no more from the data module while it is being taken apart.
    QObject::disconnect(DataModule1, nullptr, Form1, nullptr);
    // The window's data-aware controls unlink from the data sources before these go.
    delete Form1;
    Form1 = nullptr;
    delete DataModule1;
    DataModule1 = nullptr;
}
