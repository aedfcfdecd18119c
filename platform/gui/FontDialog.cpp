#include "platform/gui/FontDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quil {

namespace {
constexpr int kMaxPoints = 1638; // what RTF's half-point sizes can hold
} // namespace

FontDialog::FontDialog(const Dialogs::FontChoice &choice, QWidget *parent)
    : QDialog(parent), FStart(choice), FColor(choice.color)
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(tr("Шрифт"));
    setAccessibleName(windowTitle());

    FFamily = new QComboBox(this);
    FFamily->setObjectName(QStringLiteral("FontName"));
    FFamily->setEditable(true);
    FFamily->setInsertPolicy(QComboBox::NoInsert);
    QStringList families = QFontDatabase::families();
    const QString family = choice.font.family();
    if (!families.contains(family))
        families.prepend(family);
    FFamily->addItems(families);
    FFamily->setCurrentText(family);
    FFamily->setMaxVisibleItems(16);

    FSize = new QSpinBox(this);
    FSize->setObjectName(QStringLiteral("FontSize"));
    FSize->setRange(1, kMaxPoints);
    FSize->setValue(choice.font.pointSize() > 0 ? choice.font.pointSize() : 12);

    const auto box = [this](const char *name, const QString &text, bool on) {
        auto *check = new QCheckBox(text, this);
        check->setObjectName(QLatin1String(name));
        check->setChecked(on);
        connect(check, &QCheckBox::toggled, this, &FontDialog::showSample);
        return check;
    };
    FBold = box("BoldBox", tr("&Полужирный"), choice.font.bold());
    FItalic = box("ItalicBox", tr("&Курсив"), choice.font.italic());
    FUnderline = box("UnderlineBox", tr("По&дчёркнутый"), choice.font.underline());
    FStrikeOut = box("StrikeOutBox", tr("&Зачёркнутый"), choice.font.strikeOut());

    FColorBtn = new QPushButton(this);
    FColorBtn->setObjectName(QStringLiteral("ColorBtn"));
    FColorBtn->setAccessibleName(tr("Цвет"));
    FAutoColorBtn = new QPushButton(tr("&Авто"), this);
    FAutoColorBtn->setObjectName(QStringLiteral("AutoColorBtn"));
    FAutoColorBtn->setToolTip(tr("Цвет текста окна"));
    connect(FColorBtn, &QPushButton::clicked, this, [this] {
        const QColor picked = QColorDialog::getColor(FColor.isValid() ? FColor : QColor(Qt::black),
                                                     this, tr("Цвет текста"));
        if (picked.isValid())
            setColor(picked);
    });
    connect(FAutoColorBtn, &QPushButton::clicked, this, [this] { setColor(QColor()); });

    FSample = new QLabel(tr("АаБбВв AaBbCc 123"), this);
    FSample->setObjectName(QStringLiteral("FontSample"));
    FSample->setAlignment(Qt::AlignCenter);
    FSample->setFrameShape(QFrame::StyledPanel);
    FSample->setMinimumSize(260, 60);

    auto *form = new QFormLayout;
    auto *familyLabel = new QLabel(tr("&Шрифт:"), this);
    familyLabel->setBuddy(FFamily);
    form->addRow(familyLabel, FFamily);
    auto *sizeLabel = new QLabel(tr("&Размер:"), this);
    sizeLabel->setBuddy(FSize);
    form->addRow(sizeLabel, FSize);
    auto *colorRow = new QHBoxLayout;
    colorRow->addWidget(FColorBtn, 1);
    colorRow->addWidget(FAutoColorBtn);
    auto *colorLabel = new QLabel(tr("&Цвет:"), this);
    colorLabel->setBuddy(FColorBtn);
    form->addRow(colorLabel, colorRow);
    auto *styles = new QHBoxLayout;
    for (QCheckBox *check : {FBold, FItalic, FUnderline, FStrikeOut})
        styles->addWidget(check);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(styles);
    layout->addWidget(FSample, 1);
    layout->addWidget(buttons);

    connect(FFamily, &QComboBox::currentTextChanged, this, &FontDialog::showSample);
    connect(FSize, &QSpinBox::valueChanged, this, &FontDialog::showSample);
    setColor(FColor);
}

Dialogs::FontChoice FontDialog::choice() const
{
    Dialogs::FontChoice result = FStart;
    result.font.setFamily(FFamily->currentText().trimmed());
    result.font.setPointSize(FSize->value());
    result.font.setBold(FBold->isChecked());
    result.font.setItalic(FItalic->isChecked());
    result.font.setUnderline(FUnderline->isChecked());
    result.font.setStrikeOut(FStrikeOut->isChecked());
    result.color = FColor;
    return result;
}

void FontDialog::setColor(const QColor &color)
{
    FColor = color;
    QPixmap swatch(28, 14);
    swatch.fill(color.isValid() ? color : palette().color(QPalette::Text));
    FColorBtn->setIcon(QIcon(swatch));
    FColorBtn->setText(color.isValid() ? color.name() : tr("автоматический"));
    FAutoColorBtn->setEnabled(color.isValid());
    showSample();
}

void FontDialog::showSample()
{
    QFont font = choice().font;
    // Large sizes would push the dialog off the screen.
    font.setPointSize(std::min(font.pointSize() > 0 ? font.pointSize() : 12, 36));
    FSample->setFont(font);
    QPalette p = FSample->palette();
    p.setColor(QPalette::WindowText,
               FColor.isValid() ? FColor : palette().color(QPalette::WindowText));
    FSample->setPalette(p);
}

} // namespace quil
