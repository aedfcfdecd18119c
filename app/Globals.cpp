#include "app/Globals.h"

QString ProgramFolder;
QString LibraryFileName;
