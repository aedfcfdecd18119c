#include "app/ProgramFolder.h"
#include "app/QtTranslations.h"
#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/Translation.h"
#include "platform/Dialogs.h"
#include "platform/gui/QuilApplication.h"

#include <QScreen>

int main(int argc, char **argv)
{
    quil::QuilApplication application(argc, argv);
    qttranslations::install(application);
    translation::install(application);
    const QString programDir = QCoreApplication::applicationDirPath();
    // Where the user's folder cannot be made, the program still starts, beside its own file.
    QString folder = programDir + QLatin1Char('/');
    quil::guarded([&] { folder = programfolder::locate(programDir); });
    Program program(folder);
    // Filling the screen first keeps the layout where no window manager maximises.
    program.Form1->setGeometry(program.Form1->screen()->availableGeometry());
    program.Form1->showMaximized();
    return application.exec();
}
