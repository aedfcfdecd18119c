#include "ShownProgram.h"

#include "LibraryGenerator.h"

#include "app/TForm1.h"

#include <QCoreApplication>

namespace quilbench {

ShownProgram::ShownProgram(const Options &options, const QString &name)
    : folder(options.folder + name + QLatin1Char('/')),
      library(programFolderWithLibrary(options.folder, folder, options.entries)), FProgram(folder)
{
    FProgram.Form1->show();
    QCoreApplication::processEvents();
}

void ShownProgram::openLibrary()
{
    dialogs.nextFileNames.enqueue(library);
    FProgram.Form1->SelectLibrary->trigger();
    QCoreApplication::processEvents();
}

} // namespace quilbench
