#include "app/Startup.h"
#include "app/TForm1.h"
#include "platform/gui/QuilApplication.h"

int main(int argc, char **argv)
{
    quil::QuilApplication application(argc, argv);
    Program program(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    Form1->showMaximized();
    return application.exec();
}
