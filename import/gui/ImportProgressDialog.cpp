#include "import/gui/ImportProgressDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

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
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FLabel);
    layout->addWidget(FBar);
    FClock.start();
}

void ImportProgressDialog::update(int done, int total, const QString &file)
{
    const qint64 now = FClock.elapsed();
    if (now < showAfter || (FPainted >= 0 && now - FPainted < RepaintEvery))
        return;
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
    // The dialog is modal: what this lets through is painting and timers, not the user's input
    // to the window.
    QCoreApplication::processEvents();
}

void ImportProgressDialog::closeEvent(QCloseEvent *event) { event->ignore(); }

void ImportProgressDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape would reject the dialog and hide it while the import goes on.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}
