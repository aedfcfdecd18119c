#pragma once

#include "Bench.h"

#include "app/Startup.h"
#include "platform/ScriptedDialogs.h"

#include <QString>

namespace quilbench {

// The program started as a user starts it, over a program folder of its own (`name` under the
// benchmark's folder) that holds a copy of the generated library; dialogs are scripted and the
// main window is shown.
class ShownProgram {
public:
    ShownProgram(const Options &options, const QString &name);

    // Chooses the library through the menu, as the user does.
    void openLibrary();
    // Its four windows and modules.
    Program &program() { return FProgram; }

    const QString folder;  // with the separator
    const QString library; // the copy's path
    quil::ScopedScriptedDialogs dialogs;

private:
    Program FProgram;
};

} // namespace quilbench
