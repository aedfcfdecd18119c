#include "app/QtTranslations.h"
#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/Translation.h"
#include "platform/gui/QuilApplication.h"

#include <QScreen>

int main(int argc, char **argv)
{
    quil::QuilApplication application(argc, argv);
    qttranslations::install(application);
    translation::install(application);
    Program program(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    // Filling the screen first keeps the layout where no window manager maximises.
    program.Form1->setGeometry(program.Form1->screen()->availableGeometry());
    program.Form1->showMaximized();
    return application.exec();
}
