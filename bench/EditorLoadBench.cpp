// "Open" in the abstract editor with files of the kinds that once held it for minutes: one
// paragraph without a blank (200,000, 1,000,000 and 5,000,000 characters), a paragraph of the
// same length with blanks to compare, a word processor's document of 10 MB and a text file of
// 30 MB. Each load is the whole command: the file read, shown, laid out, painted and stored.
#include "Bench.h"
#include "ShownProgram.h"

#include "app/TForm1.h"
#include "editor/gui/TFormEdit.h"
#include "platform/ScriptedDialogs.h"
#include "store/TDataModule1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTextEdit>
#include <cstdio>
#include <random>

namespace {

const QByteArray RtfHead = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil"
                           "\\fcharset204 Times New Roman;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
                           "\\viewkind4\\uc1\\pard\\lang1049\\f0\\fs24 ";

QByteArray noBlankRtf(int characters)
{
    const QByteArray alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray body;
    body.reserve(characters);
    while (body.size() < characters)
        body += alphabet;
    body.truncate(characters);
    return RtfHead + body + "\\par\r\n}\r\n";
}

// A Cyrillic word of 2 to 11 letters as RichEdit escapes it.
QByteArray cyrillicWord(std::mt19937 &rng)
{
    QByteArray word;
    for (int i = 0, n = 2 + int(rng() % 10); i < n; ++i)
        word += "\\'" + QByteArray::number(0xe0 + int(rng() % 32), 16);
    return word;
}

QByteArray blanksRtf(int characters)
{
    std::mt19937 rng(1);
    QByteArray body;
    while (body.size() < characters) {
        for (int i = 0, n = 2 + int(rng() % 9); i < n; ++i)
            body += char('a' + rng() % 26);
        body += ' ';
    }
    body.truncate(characters);
    return RtfHead + body + "\\par\r\n}\r\n";
}

// What a word processor writes: style sheet and document settings, paragraphs of Cyrillic
// with bold, italic, colour and Symbol runs, headings, bulleted paragraphs and tables.
QByteArray wordProcessorRtf(qsizetype bytes)
{
    std::mt19937 rng(2);
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\froman"
                     "\\fcharset204\\fprq2 Times New Roman;}{\\f1\\fswiss\\fcharset204\\fprq2 "
                     "Arial;}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n{\\colortbl;\\red0\\green0"
                     "\\blue0;\\red255\\green0\\blue0;}\r\n{\\stylesheet{\\ql\\f0\\fs24 Normal;}"
                     "{\\s1\\ql\\sb240\\sa60\\keepn\\b\\f1\\fs32 heading 1;}}\r\n{\\info{\\title "
                     "Bench}}\\paperw11906\\paperh16838\\margl1701\\margr850 ";
    for (int paragraph = 1; rtf.size() < bytes; ++paragraph) {
        if (paragraph % 50 == 0) {
            rtf += "\\pard\\plain\\s1\\ql\\sb240\\sa60\\keepn\\b\\f1\\fs32 " + cyrillicWord(rng) +
                   "\\par\r\n";
        } else if (paragraph % 37 == 0) {
            for (int row = 0; row < 4; ++row) {
                rtf += "\\trowd\\cellx3000\\cellx6000\\cellx9000";
                for (int cell = 0; cell < 3; ++cell)
                    rtf += "\\pard\\intbl " + cyrillicWord(rng) + "\\cell";
                rtf += "\\row\r\n";
            }
        } else if (paragraph % 23 == 0) {
            rtf += "\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb"
                   "\\'B7}}\\fi-360\\li720 ";
            for (int word = 0; word < 12; ++word)
                rtf += cyrillicWord(rng) + ' ';
            rtf += "\\par\r\n";
        } else {
            rtf += "\\pard\\plain\\ql\\fi567\\sa120\\sl360\\slmult1\\f0\\fs24 ";
            for (int word = 0, n = 40 + int(rng() % 80); word < n; ++word) {
                const unsigned kind = rng() % 100;
                const QByteArray w = cyrillicWord(rng);
                rtf += kind < 5    ? "{\\b " + w + "}"
                       : kind < 8  ? "{\\i " + w + "}"
                       : kind < 9  ? "{\\cf2 " + w + "}"
                       : kind < 10 ? QByteArray("{\\f2 \\'61}")
                                   : w;
                rtf += ' ';
            }
            rtf += "\\par\r\n";
        }
    }
    return rtf + "}\r\n";
}

// Lines of Cyrillic words in Windows-1251, CR LF.
QByteArray plainText1251(qsizetype bytes)
{
    std::mt19937 rng(3);
    QByteArray text;
    text.reserve(bytes + 200);
    while (text.size() < bytes) {
        for (int word = 0, n = 5 + int(rng() % 10); word < n; ++word) {
            if (word > 0)
                text += ' ';
            for (int i = 0, letters = 2 + int(rng() % 10); i < letters; ++i)
                text += char(0xe0 + rng() % 32);
        }
        text += "\r\n";
    }
    return text;
}

void runEditorLoad(const quilbench::Options &options)
{
    quilbench::ShownProgram shown(options, QStringLiteral("editor-load"));
    TForm1 *const Form1 = shown.program().Form1;
    TFormEdit *const FormEdit = shown.program().FormEdit;
    const QString abstracts = shown.folder + QStringLiteral("Abstract/");
    QDir().mkpath(abstracts);
    shown.openLibrary();
    Form1->mmAbstractClick();
    QCoreApplication::processEvents();

    struct Case {
        const char *name;
        const char *file;
        std::function<QByteArray()> make;
        int runs;
    };
    const int runs = std::min(options.runs, 3);
    const Case cases[] = {
        {"editor_load_noblank_200k", "noblank-200k.rtf", [] { return noBlankRtf(200000); }, runs},
        {"editor_load_noblank_1m", "noblank-1m.rtf", [] { return noBlankRtf(1000000); }, runs},
        {"editor_load_blanks_1m", "blanks-1m.rtf", [] { return blanksRtf(1000000); }, runs},
        {"editor_load_noblank_5m", "noblank-5m.rtf", [] { return noBlankRtf(5000000); }, 1},
        {"editor_load_document_10mb", "document-10mb.rtf",
         [] { return wordProcessorRtf(10 * 1024 * 1024); }, 1},
        {"editor_load_text_30mb", "text-30mb.txt", [] { return plainText1251(30 * 1024 * 1024); },
         1},
    };
    for (const Case &c : cases) {
        const QString path = abstracts + QString::fromLatin1(c.file);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(c.make()) < 0)
            std::fprintf(stderr, "editor_load: cannot write %s\n", qPrintable(path));
        file.close();
        const double ms = quilbench::medianMs(c.runs, [&] {
            shown.dialogs.nextAnswers.enqueue(true);
            shown.dialogs.nextFileNames.enqueue(path);
            FormEdit->FileOpen();
            QCoreApplication::processEvents();
        });
        quilbench::report(QString::fromLatin1(c.name), ms);
        if (QByteArray(c.file) == "noblank-5m.rtf") {
            // What the caret's blink, a move and a paint cost inside the paragraph just read.
            QTextEdit *editor = FormEdit->Editor;
            const double caret = quilbench::medianMs(options.runs, [&] {
                editor->moveCursor(editor->textCursor().atEnd() ? QTextCursor::Start
                                                                : QTextCursor::End);
                editor->ensureCursorVisible();
                editor->viewport()->repaint();
            });
            quilbench::report(QStringLiteral("editor_caret_noblank_5m"), caret);
        }
        QFile::remove(path);
    }
    if (!shown.dialogs.errors().isEmpty())
        std::fprintf(stderr, "editor_load: %s\n",
                     qPrintable(shown.dialogs.errors().join(QStringLiteral(" / "))));
}

} // namespace

QUIL_BENCH_SUITE(editor_load, runEditorLoad);
