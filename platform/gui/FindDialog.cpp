#include "platform/gui/FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quil {

namespace {
enum { FindNext, Replace, ReplaceAll };
}

FindDialog::FindDialog(QWidget *parent) : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FindDialog"));
    setModal(false);
    FText = new QLineEdit(this);
    FText->setObjectName(QStringLiteral("FindText"));
    FReplacement = new QLineEdit(this);
    FReplacement->setObjectName(QStringLiteral("ReplaceText"));
    FMatchCase = new QCheckBox(tr("С учётом &регистра"), this);
    FMatchCase->setObjectName(QStringLiteral("MatchCaseBox"));
    FWholeWord = new QCheckBox(tr("Только слово &целиком"), this);
    FWholeWord->setObjectName(QStringLiteral("WholeWordBox"));
    auto *direction = new QGroupBox(tr("Направление"), this);
    FUp = new QRadioButton(tr("Вв&ерх"), direction);
    FDown = new QRadioButton(tr("Вн&из"), direction);
    FUp->setObjectName(QStringLiteral("UpBtn"));
    FDown->setObjectName(QStringLiteral("DownBtn"));
    FDown->setChecked(true);
    auto *dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(FUp);
    dirLayout->addWidget(FDown);

    auto *findNext = new QPushButton(tr("&Найти далее"), this);
    findNext->setDefault(true);
    FReplace = new QPushButton(tr("&Заменить"), this);
    FReplaceAll = new QPushButton(tr("Заменить &все"), this);
    auto *cancel = new QPushButton(tr("Отмена"), this);
    findNext->setObjectName(QStringLiteral("FindNextBtn"));
    FReplace->setObjectName(QStringLiteral("ReplaceBtn"));
    FReplaceAll->setObjectName(QStringLiteral("ReplaceAllBtn"));
    cancel->setObjectName(QStringLiteral("CancelBtn"));

    auto *grid = new QGridLayout;
    // The labels' mnemonics reach their fields.
    auto *findLabel = new QLabel(tr("&Что искать:"), this);
    findLabel->setBuddy(FText);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(FText, 0, 1);
    auto *replaceLabel = new QLabel(tr("Заменить н&а:"), this);
    replaceLabel->setBuddy(FReplacement);
    FReplaceRow = replaceLabel;
    grid->addWidget(FReplaceRow, 1, 0);
    grid->addWidget(FReplacement, 1, 1);
    grid->addWidget(FMatchCase, 2, 0, 1, 2);
    grid->addWidget(FWholeWord, 3, 0, 1, 2);
    grid->addWidget(direction, 4, 0, 1, 2);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {findNext, FReplace, FReplaceAll, cancel})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    connect(findNext, &QPushButton::clicked, this, [this] { run(FindNext); });
    connect(FReplace, &QPushButton::clicked, this, [this] { run(Replace); });
    connect(FReplaceAll, &QPushButton::clicked, this, [this] { run(ReplaceAll); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}

void FindDialog::open(SearchTarget &target, bool replace, const QString &text,
                      const QString &replacement)
{
    FTarget = &target;
    if (!text.isEmpty())
        FText->setText(text);
    if (!replacement.isEmpty())
        FReplacement->setText(replacement);
    setWindowTitle(replace ? tr("Замена") : tr("Поиск"));
    for (QWidget *w : {FReplaceRow, static_cast<QWidget *>(FReplacement),
                       static_cast<QWidget *>(FReplace), static_cast<QWidget *>(FReplaceAll)})
        w->setVisible(replace);
    adjustSize();
    show();
    raise();
    activateWindow();
    FText->setFocus();
    FText->selectAll();
}

SearchRequest FindDialog::request() const
{
    SearchRequest r;
    r.text = FText->text();
    r.replacement = FReplacement->text();
    r.down = FDown->isChecked();
    r.matchCase = FMatchCase->isChecked();
    r.wholeWord = FWholeWord->isChecked();
    return r;
}

void FindDialog::run(int what)
{
    if (!FTarget)
        return;
    guarded([this, what] {
        const SearchRequest r = request();
        if (what == FindNext)
            FTarget->findNext(r);
        else if (what == Replace)
            FTarget->replaceNext(r);
        else
            FTarget->replaceAll(r);
        moveOffHit();
    });
}

void FindDialog::moveOffHit()
{
    const QRect hit = FTarget->hitRect();
    if (hit.isNull() || !frameGeometry().intersects(hit))
        return;
    // Above the hit when there is room, else below it.
    const int above = hit.top() - frameGeometry().height() - 8;
    move(x(), above >= 0 ? above : hit.bottom() + 8);
}

} // namespace quil
