#pragma once

#include <QString>

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

} // namespace quil
