#pragma once

#include "platform/Dialogs.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quil {

// The editor's font dialog: face, size, style and colour of the text, started from the format
// at the caret. It keeps a face that this system lacks (abstracts come from another one) where
// Qt's font dialog would put one of its own in its place, and it offers the colour.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontDialog(const Dialogs::FontChoice &choice, QWidget *parent = nullptr);
    // What the dialog shows now; as it was started while the user changed nothing.
    Dialogs::FontChoice choice() const;

private:
    void setColor(const QColor &color);
    void showSample();

    Dialogs::FontChoice FStart;
    QColor FColor;
    QComboBox *FFamily;
    QSpinBox *FSize;
    QCheckBox *FBold;
    QCheckBox *FItalic;
    QCheckBox *FUnderline;
    QCheckBox *FStrikeOut;
    QPushButton *FColorBtn;
    QPushButton *FAutoColorBtn;
    QLabel *FSample;
};

} // namespace quil
