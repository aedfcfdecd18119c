#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>

// Watches the clipboard for the editor's Paste button: while enabled it raises OnChange on every
// change of the clipboard's content, made by this program or by another one, emptying included.
class TClipboardMonitor : public QObject {
    Q_OBJECT
public:
    // Watches from creation on.
    explicit TClipboardMonitor(QObject *owner = nullptr);
    ~TClipboardMonitor() override;

    bool Enabled() const { return FConnection; }
    // Disabled, it stops listening to the clipboard and raises nothing.
    void setEnabled(bool enabled);

    std::function<void()> OnChange;

    // The platform's notice that the clipboard's content changed. An error raised by OnChange
    // goes to the error report.
    void clipboardChanged();

private:
    QMetaObject::Connection FConnection;
};
