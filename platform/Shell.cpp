#include "platform/Shell.h"

namespace quil {
namespace {

class NoShell : public Shell {
public:
    void open(const QString &) override {}
};

NoShell noShell;
Shell *current = &noShell;

} // namespace

Shell &shell() { return *current; }

void setShell(Shell *shell) { current = shell ? shell : &noShell; }

ScopedScriptedShell::ScopedScriptedShell() : FPrevious(&shell()) { setShell(this); }

ScopedScriptedShell::~ScopedScriptedShell() { setShell(FPrevious); }

} // namespace quil
