// What a user of the abstract editor waits for on a large library: the next entry with the
// editor shown (its abstract read, laid out and painted), "Save in Table" of an edited
// abstract, and one keystroke in a long abstract.
#include "Bench.h"
#include "LibraryGenerator.h"
#include "ShownProgram.h"

#include "app/TForm1.h"
#include "editor/gui/TFormEdit.h"
#include "platform/ScriptedDialogs.h"
#include "rtf/RtfReader.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void settle() { QCoreApplication::processEvents(); }

// An abstract of at least `characters` characters of text: the generated libraries'
// abstracts one after the other.
QByteArray longAbstractRtf(int characters)
{
    const QByteArray first = quilbench::sampleAbstractRtf(0);
    const QByteArray bodyStart = "\\fs24 ";
    const int head = int(first.indexOf(bodyStart) + bodyStart.size());
    QByteArray body;
    for (unsigned seed = 0;; ++seed) {
        QByteArray part = quilbench::sampleAbstractRtf(seed).mid(head);
        part.chop(part.size() - part.lastIndexOf('}'));
        body += part;
        if (seed % 8 != 7)
            continue;
        const QByteArray rtf = first.left(head) + body + "}\r\n";
        QTextDocument probe;
        quil::rtf::RtfReader::read(rtf, &probe);
        if (probe.characterCount() >= characters)
            return rtf;
    }
}

// Counts the paints of a widget, to show that a measure includes drawing.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

void typeKey(QWidget *target, Qt::Key key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

void runEditor(const quilbench::Options &options)
{
    quilbench::ShownProgram shown(options, QStringLiteral("editor"));
    TForm1 *const Form1 = shown.program().Form1;
    TDataModule1 *const DataModule1 = shown.program().DataModule1;
    TFormEdit *const FormEdit = shown.program().FormEdit;
    QDir().mkpath(shown.folder + QStringLiteral("Abstract"));
    shown.openLibrary();
    quil::ScopedScriptedDialogs &dialogs = shown.dialogs;
    Form1->mmAbstractClick();
    settle();
    quil::DBRichEdit *edit = FormEdit->Editor;

    const auto next = [&] {
        Form1->siNextClick();
        settle();
    };
    // An edit in the middle of the abstract, then the store with the caret put back.
    const auto typeOne = [&] {
        edit->setSelStart(edit->document()->characterCount() / 2);
        edit->textCursor().insertText(QStringLiteral("ж"));
        settle();
    };
    const auto save = [&] {
        FormEdit->SaveTableBtn->click();
        settle();
    };

    PaintCounter counter;
    edit->viewport()->installEventFilter(&counter);
    const int moves = std::max(options.runs, 301);
    quilbench::report(QStringLiteral("editor_next"), quilbench::medianMs(moves, next));
    std::printf("  (editor paints per move: %.2f)\n", counter.paints / double(moves));
    quilbench::report(QStringLiteral("editor_save"),
                      quilbench::medianMs(std::max(options.runs, 51), typeOne, save));

    if (qEnvironmentVariableIsSet("QUIL_BENCH_SPLIT")) {
        quilbench::report(QStringLiteral("  next_cpu"), quilbench::medianCpuMs(101, {}, next));
        quilbench::report(QStringLiteral("  save_cpu"), quilbench::medianCpuMs(51, typeOne, save));
        // The store alone, the control's RTF alone and the reload alone, to see where a save goes.
        quilbench::report(QStringLiteral("  post_only"),
                          quilbench::medianMs(
                              51,
                              [&] {
                                  DataModule1->ADOTable.Edit();
                                  edit->textCursor().insertText(QStringLiteral("ж"));
                              },
                              [&] { DataModule1->ADOTable.Post(); }));
        quilbench::report(QStringLiteral("  rtf_only"),
                          quilbench::medianMs(51, [&] { (void)edit->Rtf(); }));
        quilbench::report(QStringLiteral("  reload_only"),
                          quilbench::medianMs(51, [&] { edit->setText(edit->Rtf()); }));
    }
    const QByteArray longRtf = longAbstractRtf(50000);
    edit->setText(QString::fromLatin1(longRtf));
    edit->setSelStart(edit->document()->characterCount() / 2);
    settle();
    std::printf("  (long abstract: %d characters, %lld bytes of RTF)\n",
                edit->document()->characterCount(), static_cast<long long>(longRtf.size()));
    quilbench::report(QStringLiteral("editor_keystroke_50k"),
                      quilbench::medianMs(std::max(options.runs, 201), [&] {
                          typeKey(edit, Qt::Key_A, QStringLiteral("a"));
                          settle();
                      }));
    quilbench::report(QStringLiteral("editor_enter_50k"),
                      quilbench::medianMs(std::max(options.runs, 51), [&] {
                          typeKey(edit, Qt::Key_Return, QStringLiteral("\r"));
                          settle();
                      }));
    DataModule1->ADOTable.Cancel();
    if (!dialogs.errors().isEmpty())
        std::fprintf(stderr, "errors: %s\n",
                     qPrintable(dialogs.errors().join(QStringLiteral(" / "))));
}

} // namespace

QUIL_BENCH_SUITE(editor, runEditor);
