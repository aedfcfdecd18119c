#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

// How far a long import has come: the count of entries stored and the file being read. It
// appears only once the import has run for a while, and is application-modal, so that nothing
// can change the library while the import holds its transaction open. Its cancel button (or
// Escape) stops the import, which then takes back what it stored.
class ImportProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImportProgressDialog(QWidget *parent);

    // Told after each entry (total 0 when not known); false once the import is to stop. Cheap
    // while nothing is to be shown; shown, it repaints a few times a second and lets the window
    // repaint with it, and takes the click on its button.
    bool update(int done, int total, const QString &file);

    // How long an import runs before the dialog appears; tests set 0.
    static void setShowAfter(int milliseconds);

private slots:
    void stop();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void paint(qint64 now, int done, int total, const QString &file);

    QLabel *FLabel;
    QProgressBar *FBar;
    QPushButton *FCancel;
    bool FStopPressed = false;
    QElapsedTimer FClock;
    qint64 FPainted = -1; // when the dialog was last brought up to date
};
