#pragma once

#include <QStringList>

namespace quil {

// The desktop shell: opens an address ("https://…", "mailto:…") or a file with its default
// program, without waiting and without using the result.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const QString &address) = 0;
};

Shell &shell();
void setShell(Shell *shell);

// A shell for tests, installed for its own life: records what it is given to open.
class ScopedScriptedShell : public Shell {
public:
    ScopedScriptedShell();
    ~ScopedScriptedShell() override;
    void open(const QString &address) override { opened << address; }

    QStringList opened;

private:
    Shell *FPrevious;
};

} // namespace quil
