#pragma once

#include "platform/Dialogs.h"
#include "platform/KeyboardLayout.h"
#include "platform/Shell.h"

class QWidget;

namespace quil {

// Message boxes and file dialogs shown with Qt, parented to the active window.
class QtDialogs : public Dialogs {
public:
    QString openFileName(const FileRequest &request) override;
    QString saveFileName(const FileRequest &request) override;
    bool askYesNo(const QString &caption, const QString &text) override;
    void showError(const QString &text) override;
    void showInformation(const QString &caption, const QString &text) override;
};

class QtShell : public Shell {
public:
    void open(const QString &address) override;
};

// Reads the language of the input method's locale, which follows the keyboard layout on X11.
class QtKeyboardLayout : public KeyboardLayout {
public:
    int currentLanguage() const override;
};

// "Label (*.a)|*.a|Other|*.b" → the filter string of a Qt file dialog.
QString qtFileFilter(const QString &filter);

} // namespace quil
