#include "platform/gui/EncodingDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quil {

EncodingDialog::EncodingDialog(const Dialogs::EncodingRequest &request, QWidget *parent)
    : QDialog(parent), FRequest(request), FEncodings(new QComboBox(this)),
      FPreview(new QPlainTextEdit(this))
{
    setWindowTitle(request.title);
    setObjectName(QStringLiteral("EncodingDialog"));
    FEncodings->setObjectName(QStringLiteral("cbEncoding"));
    for (qsizetype i = 0; i < request.names.size(); ++i)
        FEncodings->addItem(i < request.labels.size() ? request.labels[i] : request.names[i],
                            request.names[i]);
    FEncodings->setCurrentIndex(std::max(0, int(request.names.indexOf(request.guess))));
    FPreview->setObjectName(QStringLiteral("mePreview"));
    FPreview->setReadOnly(true);
    FPreview->setLineWrapMode(QPlainTextEdit::NoWrap);
    FPreview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto *label = new QLabel(tr("&Кодировка файла:"), this);
    label->setBuddy(FEncodings);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(FEncodings);
    layout->addWidget(new QLabel(tr("Первые строки файла:"), this));
    layout->addWidget(FPreview, 1);
    layout->addWidget(buttons);
    resize(640, 360);

    connect(FEncodings, &QComboBox::currentIndexChanged, this, &EncodingDialog::showPreview);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showPreview();
}

QString EncodingDialog::chosen() const { return FEncodings->currentData().toString(); }

void EncodingDialog::showPreview()
{
    FPreview->setPlainText(FRequest.preview ? FRequest.preview(chosen()) : QString());
}

} // namespace quil
