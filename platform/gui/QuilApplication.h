#pragma once

#include <QApplication>
#include <memory>

namespace quil {

class KeyboardLayout;

// The application object: its notify catches whatever an event handler raises and shows it in
// the error report, so an error ends the handler, never the program. It also installs the Qt
// dialogs, shell, keyboard layout (XKB on an X server) and clipboard.
class QuilApplication : public QApplication {
    Q_OBJECT
public:
    QuilApplication(int &argc, char **argv);
    ~QuilApplication() override;
    bool notify(QObject *receiver, QEvent *event) override;

private:
    std::unique_ptr<KeyboardLayout> FKeyboardLayout;
};

} // namespace quil
