#include "platform/gui/QtPlatform.h"

#include "platform/gui/EncodingDialog.h"
#include "platform/gui/FindDialog.h"
#include "platform/gui/FontDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QInputDialog>
#include <QInputMethod>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>

#include <algorithm>

namespace quil {
namespace {

const QString AppTitle = QStringLiteral("QUIL.Lib");

QWidget *dialogParent() { return QApplication::activeWindow(); }

// The abstract editor stays on top of every window, so a dialog opened over the main window
// would open behind it, out of reach: while such a window shows, dialogs stay on top too and,
// opened later, come above it.
void keepAboveStayOnTop(QWidget &dialog)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool covered = std::any_of(windows.cbegin(), windows.cend(), [&](const QWidget *w) {
        return w != &dialog && w->isVisible() &&
               w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    });
    if (covered != dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !dialog.isVisible())
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, covered);
}

// The patterns that qtFileFilter() adds for Qt stay out of sight.
constexpr QFileDialog::Options kFilterOptions = QFileDialog::HideNameFilterDetails;

QString startPath(const Dialogs::FileRequest &request)
{
    if (request.fileName.isEmpty())
        return request.initialFolder;
    // A proposed name with a folder of its own is the whole start.
    if (request.initialFolder.isEmpty() || QDir::isAbsolutePath(request.fileName))
        return request.fileName;
    QString folder = request.initialFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + request.fileName;
}

} // namespace

void showSymbolFontAsUnicode()
{
    static const bool done = [] {
        QFont::insertSubstitutions(QStringLiteral("Symbol"),
                                   {QStringLiteral("DejaVu Serif"),
                                    QStringLiteral("Liberation Serif"), QStringLiteral("FreeSerif"),
                                    QStringLiteral("Noto Serif")});
        return true;
    }();
    (void)done;
}

QString qtFileFilter(const QString &filter)
{
    // Qt takes a filter's patterns from the parentheses that end its text, so a label with
    // parentheses of its own ("TXT&RTF Files (*.txt,*.rtf)") would hide the real patterns.
    // The patterns go last, out of sight (kFilterOptions), and the label is shown as given.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString &label = parts[i];
        const QStringList patterns =
            parts[i + 1].split(QRegularExpression(QStringLiteral("[; ]")), Qt::SkipEmptyParts);
        const QString shown =
            label.contains(QLatin1Char('('))
                ? label
                : label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        result << shown + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result.join(QStringLiteral(";;"));
}

namespace {

// The program's file dialogs: the filter's labels as given, and above a window that stays on top.
QString runFileDialog(const Dialogs::FileRequest &request, QFileDialog::AcceptMode mode)
{
    const bool save = mode == QFileDialog::AcceptSave;
    // A save dialog gives the proposed name the extension of the filter it starts on, spelt
    // as the pattern is: lower case, so that "x.rtf" stays "x.rtf". Matching ignores case.
    QStringList filter = request.filter.split(QLatin1Char('|'));
    for (int i = 1; save && i < filter.size(); i += 2)
        filter[i] = filter[i].toLower();
    QFileDialog dialog(dialogParent(), request.title, startPath(request),
                       qtFileFilter(filter.join(QLatin1Char('|'))));
    dialog.setObjectName(save ? QStringLiteral("SaveDialog") : QStringLiteral("OpenDialog"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOptions(kFilterOptions);
    if (save) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        // A name typed without extension gets this one before the overwrite question is asked.
        dialog.setDefaultSuffix(request.defaultSuffix);
    }
    keepAboveStayOnTop(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtDialogs::openFileName(const FileRequest &request)
{
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFileName(const FileRequest &request)
{
    return runFileDialog(request, QFileDialog::AcceptSave);
}

bool QtDialogs::askYesNo(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.setAccessibleName(caption);
    keepAboveStayOnTop(box);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::showError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, AppTitle, text, QMessageBox::Ok, dialogParent());
    box.setAccessibleName(AppTitle);
    keepAboveStayOnTop(box);
    box.exec();
}

void QtDialogs::showInformation(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, dialogParent());
    box.setAccessibleName(caption);
    keepAboveStayOnTop(box);
    box.exec();
}

QString QtDialogs::askPassword(const QString &text)
{
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(AppTitle);
    dialog.setLabelText(text);
    dialog.setTextEchoMode(QLineEdit::Password);
    keepAboveStayOnTop(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

bool QtDialogs::chooseFont(FontChoice &choice)
{
    FontDialog dialog(choice, dialogParent());
    keepAboveStayOnTop(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.choice();
    return true;
}

QString QtDialogs::chooseEncoding(const EncodingRequest &request)
{
    EncodingDialog dialog(request, dialogParent());
    keepAboveStayOnTop(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : QString();
}

bool QtDialogs::choosePrinter(PrintSettings &settings)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!settings.outputFile.isEmpty() || QPrinterInfo::availablePrinters().isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(settings.outputFile.isEmpty()
                                      ? QDir::home().filePath(QStringLiteral("Abstract.pdf"))
                                      : settings.outputFile);
    } else if (!settings.printerName.isEmpty()) {
        printer.setPrinterName(settings.printerName);
    }
    QPrintDialog dialog(&printer, dialogParent());
    keepAboveStayOnTop(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const bool pdf = printer.outputFormat() == QPrinter::PdfFormat;
    settings.outputFile = pdf ? printer.outputFileName() : QString();
    settings.printerName = pdf ? QString() : printer.printerName();
    return true;
}

void QtDialogs::showSearch(SearchTarget &target, bool replace, const QString &text,
                           const QString &replacement)
{
    // One dialog for the program, kept with its texts between openings.
    static QPointer<FindDialog> dialog;
    if (!dialog)
        dialog = new FindDialog(dialogParent());
    keepAboveStayOnTop(*dialog);
    dialog->open(target, replace, text, replacement);
}

void QtDialogs::showWarning(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok,
                    dialogParent());
    box.setAccessibleName(box.windowTitle());
    keepAboveStayOnTop(box);
    box.exec();
}

QList<int> QtDialogs::chooseItems(const QString &caption, const QString &text,
                                  const QStringList &items, bool several)
{
    QDialog dialog(dialogParent());
    dialog.setObjectName(QStringLiteral("ChoiceDialog"));
    dialog.setWindowTitle(caption);
    dialog.setAccessibleName(caption);
    auto *label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    auto *list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("ChoiceList"));
    list->setAccessibleName(text);
    list->addItems(items);
    list->setSelectionMode(several ? QAbstractItemView::ExtendedSelection
                                   : QAbstractItemView::SingleSelection);
    list->setCurrentRow(0);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog.resize(560, 360);
    keepAboveStayOnTop(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QList<int> chosen;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected())
            chosen << row;
    return chosen;
}

void QtDialogs::beep() { QApplication::beep(); }

void QtDialogs::showBusy(const QString &text)
{
    if (text.isEmpty()) {
        delete FBusy;
        return;
    }
    if (!FBusy) {
        FBusy = new QProgressDialog(dialogParent());
        FBusy->setObjectName(QStringLiteral("BusyDialog"));
        FBusy->setWindowTitle(QStringLiteral("QUIL.Lib"));
        FBusy->setAccessibleName(FBusy->windowTitle());
        FBusy->setCancelButton(nullptr);
        FBusy->setRange(0, 0); // a busy bar: the command tells no share of its work
        FBusy->setMinimumDuration(0);
        FBusy->setWindowModality(Qt::ApplicationModal);
        FBusy->setWindowFlag(Qt::WindowCloseButtonHint, false);
        keepAboveStayOnTop(*FBusy);
    }
    FBusy->setLabelText(text);
    FBusy->show();
    // Painted now: the command holds the event loop until it ends.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool QtDialogs::showStoppable(const QString &text)
{
    if (!FBusy) {
        showBusy(text);
        FBusy->setCancelButtonText(QCoreApplication::translate("QtPlatform", "Прервать"));
    }
    FBusy->setLabelText(text);
    // The window is application-modal: the clicks taken here can only reach its button. Input
    // held back by a pass that excluded it would wait here for new input, so none is excluded.
    QCoreApplication::processEvents();
    return !FBusy->wasCanceled();
}

bool QtDialogs::runWithProgress(const QString &text,
                                const std::function<void(const Progress &)> &task)
{
    constexpr int Steps = 1000;
    std::atomic<qint64> done = 0;
    std::atomic<qint64> total = 0;
    std::atomic<bool> stopped = false;
    QProgressDialog window(dialogParent());
    window.setObjectName(QStringLiteral("ProgressDialog"));
    window.setWindowTitle(QStringLiteral("QUIL.Lib"));
    window.setAccessibleName(window.windowTitle());
    window.setLabelText(text);
    window.setCancelButtonText(QCoreApplication::translate("QtPlatform", "Прервать"));
    window.setRange(0, Steps);
    window.setWindowModality(Qt::ApplicationModal);
    window.setAutoClose(false);
    window.setAutoReset(false);
    // A short task ends before the window would be seen.
    window.setMinimumDuration(500);
    keepAboveStayOnTop(window);
    QObject::connect(&window, &QProgressDialog::canceled, [&] { stopped = true; });
    // The task's thread only counts; the window reads the counts a few times a second.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 all = total;
        window.setValue(all > 0 ? int(std::min<qint64>(Steps, done * Steps / all)) : 0);
    });
    tick.start(100);
    runOffThread([&] {
        task([&](qint64 d, qint64 t) {
            done = d;
            total = t;
            return !stopped;
        });
    });
    return !stopped;
}

void QtShell::open(const QString &address)
{
    const QUrl url =
        address.contains(QStringLiteral("://")) || address.startsWith(QStringLiteral("mailto:"))
            ? QUrl(address)
            : QUrl::fromLocalFile(address);
    QDesktopServices::openUrl(url);
}

int QtKeyboardLayout::currentLanguage() const
{
    const QInputMethod *im = QGuiApplication::inputMethod();
    if (im && im->locale().language() == QLocale::Russian)
        return LanguageRussian;
    return LanguageEnglish;
}

} // namespace quil
