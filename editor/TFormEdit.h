#pragma once

#include <QWidget>

class QTextEdit;

// The abstract editor window: stay-on-top, hidden until "Абстракт" shows it, holding the
// rich-text control Editor.
class TFormEdit : public QWidget {
    Q_OBJECT
public:
    explicit TFormEdit(QWidget *parent = nullptr);

    QTextEdit *Editor;

    // Clears bold, italic, underline and strike-out, sets the normal baseline and black on the
    // active attributes: the selection, or the word at the caret when nothing is selected.
    void ResetTextAttributes();
    // Closed by the user: the main window must know that the editor is hidden.
    void FormClose();

protected:
    void closeEvent(QCloseEvent *event) override;
};

// The program-wide instance, created at start-up after the data module.
extern TFormEdit *FormEdit;
