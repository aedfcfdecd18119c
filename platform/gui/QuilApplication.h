#pragma once

#include <QApplication>

namespace quil {

// The application object: its notify catches whatever an event handler raises and shows it in
// the error report, so an error ends the handler, never the program. It also installs the Qt
// dialogs, shell, keyboard layout and clipboard.
class QuilApplication : public QApplication {
    Q_OBJECT
public:
    QuilApplication(int &argc, char **argv);
    ~QuilApplication() override;
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace quil
