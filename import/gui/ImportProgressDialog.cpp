#include "import/gui/ImportProgressDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"

namespace {

int showAfter = 1000;
constexpr qint64 RepaintEvery = 100;

} // namespace

void ImportProgressDialog::setShowAfter(int milliseconds) { showAfter = milliseconds; }

ImportProgressDialog::ImportProgressDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ImportProgress"));
    setWindowTitle(tr("Импорт"));
    setAccessibleName(windowTitle());
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    FLabel = new QLabel(this);
    FLabel->setObjectName(QStringLiteral("lbImportProgress"));
    FLabel->setMinimumWidth(360);
    FBar = new QProgressBar(this);
    FBar->setObjectName(QStringLiteral("pbImportProgress"));
    FBar->setAccessibleName(tr("Ход импорта"));
    auto *buttons = new QDialogButtonBox(this);
    FCancel = buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole);
    FCancel->setObjectName(QStringLiteral("btImportCancel"));
    // An Enter meant for the window the dialog came up over must not stop the import.
    FCancel->setAutoDefault(false);
    connect(FCancel, &QPushButton::clicked, this, &ImportProgressDialog::stop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FLabel);
    layout->addWidget(FBar);
    layout->addWidget(buttons);
    FClock.start();
}

void ImportProgressDialog::stop()
{
    FStopPressed = true;
    FCancel->setEnabled(false);
    FLabel->setText(tr("Импорт отменяется..."));
    // Taking the import back holds the event loop: the label is painted now.
    FLabel->repaint();
}

bool ImportProgressDialog::update(int done, int total, const QString &file)
{
    const qint64 now = FClock.elapsed();
    if (!FStopPressed && now >= showAfter && (FPainted < 0 || now - FPainted >= RepaintEvery))
        paint(now, done, total, file);
    return quil::dialogs().goOn(FStopPressed);
}

void ImportProgressDialog::paint(qint64 now, int done, int total, const QString &file)
{
    FPainted = now;
    const QString count = total > 0 ? tr("Импортировано записей: %1 из %2").arg(done).arg(total)
                                    : tr("Импортировано записей: %1").arg(done);
    FLabel->setText(count + tr("\nФайл: ") + file);
    // An unknown total shows a busy bar.
    FBar->setRange(0, std::max(total, 0));
    if (total > 0)
        FBar->setValue(std::min(done, total));
    if (!isVisible())
        show();
    // The dialog is modal: what this lets through is painting, timers and a click on its
    // button, not the user's input to the window.
    QCoreApplication::processEvents();
}

void ImportProgressDialog::closeEvent(QCloseEvent *event) { event->ignore(); }

void ImportProgressDialog::keyPressEvent(QKeyEvent *event)
{
    // Rejected, the dialog would hide while the import goes on: Escape stops the import.
    if (event->key() == Qt::Key_Escape) {
        if (!FStopPressed)
            stop();
        return;
    }
    QDialog::keyPressEvent(event);
}
