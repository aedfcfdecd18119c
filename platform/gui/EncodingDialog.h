#pragma once

#include "platform/Dialogs.h"

#include <QDialog>

class QComboBox;
class QPlainTextEdit;

namespace quil {

// Asks in which encoding an imported text is read: a list of encodings, starting at the guess,
// over the first lines of the text as the chosen encoding reads them.
class EncodingDialog : public QDialog {
    Q_OBJECT
public:
    EncodingDialog(const Dialogs::EncodingRequest &request, QWidget *parent);
    QString chosen() const;

private:
    void showPreview();

    const Dialogs::EncodingRequest &FRequest;
    QComboBox *FEncodings;
    QPlainTextEdit *FPreview;
};

} // namespace quil
