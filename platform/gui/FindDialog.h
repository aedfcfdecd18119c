#pragma once

#include "platform/Dialogs.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quil {

// The modeless find and replace dialog: it keeps its texts and options between openings and
// sends each request to the control it was last opened over.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget *parent = nullptr);
    // Shows the dialog over a target; an empty text or replacement keeps the dialog's own.
    void open(SearchTarget &target, bool replace, const QString &text, const QString &replacement);
    SearchRequest request() const;

private:
    void run(int what);
    void moveOffHit();

    SearchTarget *FTarget = nullptr;
    QLineEdit *FText;
    QLineEdit *FReplacement;
    QCheckBox *FMatchCase;
    QCheckBox *FWholeWord;
    QRadioButton *FUp;
    QRadioButton *FDown;
    QPushButton *FReplace;
    QPushButton *FReplaceAll;
    QWidget *FReplaceRow;
};

} // namespace quil
