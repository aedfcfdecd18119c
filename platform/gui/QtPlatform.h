#pragma once

#include "platform/Dialogs.h"
#include "platform/KeyboardLayout.h"
#include "platform/Shell.h"

#include <QPointer>
#include <QProgressDialog>

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
    bool chooseFont(FontChoice &choice) override;
    // Without an installed printer the dialog prints to a PDF file.
    bool choosePrinter(PrintSettings &settings) override;
    QString chooseEncoding(const EncodingRequest &request) override;
    QString askPassword(const QString &text) override;
    void showSearch(SearchTarget &target, bool replace, const QString &text,
                    const QString &replacement) override;
    void showWarning(const QString &text) override;
    QList<int> chooseItems(const QString &caption, const QString &text, const QStringList &items,
                           bool several) override;
    void beep() override;
    void showBusy(const QString &text) override;
    bool showStoppable(const QString &text) override;
    bool runWithProgress(const QString &text,
                         const std::function<void(const Progress &)> &task) override;

private:
    QPointer<QProgressDialog> FBusy;
};

class QtShell : public Shell {
public:
    void open(const QString &address) override;
};

// Reads the language of the input method's locale: the layout where XKB cannot be asked.
class QtKeyboardLayout : public KeyboardLayout {
public:
    int currentLanguage() const override;
};

// Text in the "Symbol" font reaches our documents already as Unicode (α, ≤ …). Asked for a font
// of that name, Qt on X11 picks a symbol-encoded face that draws such characters as blanks;
// an ordinary serif face shows them. Safe to call more than once.
void showSymbolFontAsUnicode();

// "Label (*.a)|*.a|Other|*.b" → the filter string of a Qt file dialog.
QString qtFileFilter(const QString &filter);

} // namespace quil
