#pragma once

#include <QString>

// The folder of the program file with its trailing separator; every side path starts here.
extern QString ProgramFolder;
// The open library's file name with extension and without folder; empty until one is picked.
extern QString LibraryFileName;
