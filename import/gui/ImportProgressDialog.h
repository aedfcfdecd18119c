#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;

// How far a long import has come: the count of entries stored and the file being read. It
// appears only once the import has run for a while, and is application-modal, so that nothing
// can change the library while the import holds its transaction open. It has no cancel: an
// import is ended only by its own end or by an error.
class ImportProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImportProgressDialog(QWidget *parent);

    // Told after each entry (total 0 when not known). Cheap while nothing is to be shown; shown,
    // it repaints a few times a second and lets the window repaint with it.
    void update(int done, int total, const QString &file);

    // How long an import runs before the dialog appears; tests set 0.
    static void setShowAfter(int milliseconds);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *FLabel;
    QProgressBar *FBar;
    QElapsedTimer FClock;
    qint64 FPainted = -1; // when the dialog was last brought up to date
};
