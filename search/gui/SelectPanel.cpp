#include "search/gui/SelectPanel.h"

#include "platform/gui/Tag.h"
#include "platform/gui/WaitCursor.h"
#include "store/TDataModule1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>

namespace search {

namespace {

// Controls that do something with Enter of their own: text that takes line breaks, and a
// focused push button, which Enter presses.
bool takesEnter(const QWidget *widget)
{
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(widget))
        return !plain->isReadOnly();
    if (const auto *rich = qobject_cast<const QTextEdit *>(widget))
        return !rich->isReadOnly();
    return qobject_cast<const QAbstractButton *>(widget) != nullptr;
}

} // namespace

SelectPanel::SelectPanel(QObject *tagHolder, QWidget *grid, QWidget *parent)
    : QGroupBox(tr("Выборка"), parent), FTagHolder(tagHolder), FGrid(grid)
{
    setObjectName(QStringLiteral("gbSelect"));
    setAccessibleName(title());
    setFixedHeight(114);
    // The panels lie one over the other: what lies below must not show through.
    setAutoFillBackground(true);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(10, 6, 10, 8);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(2);
    const auto field = [this, layout](const QString &labelName, const QString &caption,
                                      const QString &editName, QLabel *&label, int column) {
        label = new QLabel(caption, this);
        label->setObjectName(labelName);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(editName);
        edit->setAccessibleName(caption);
        label->setBuddy(edit);
        layout->addWidget(label, 0, column);
        layout->addWidget(edit, 1, column);
        return edit;
    };
    edAuthor = field(QStringLiteral("StaticText8"), tr("Автор"), QStringLiteral("edAuthor"),
                     StaticText8, 0);
    edTitle = field(QStringLiteral("StaticText9"), tr("Название"), QStringLiteral("edTitle"),
                    StaticText9, 1);
    edResume = field(QStringLiteral("StaticText10"), QStringLiteral("Key Word"),
                     QStringLiteral("edResume"), StaticText10, 2);
    edKeyW2 = field(QStringLiteral("StaticText11"), QStringLiteral("Key Word"),
                    QStringLiteral("edKeyW2"), StaticText11, 3);
    edKeyW2->setAccessibleName(QStringLiteral("Key Word 2"));

    // Left to right, with room between them; all three are default buttons.
    const struct {
        QPushButton *&button;
        const char *name;
        const char *caption;
        QStyle::StandardPixmap glyph;
    } buttonRow[] = {
        {bbClearSelect, "bbClearSelect", "  Clear", QStyle::SP_DialogOkButton},
        {bbCloseSelect, "bbCloseSelect", "  Close", QStyle::SP_DialogCloseButton},
        {bbOKSelect, "bbOKSelect", "   Select", QStyle::SP_DialogOkButton},
    };
    auto *buttons = new QHBoxLayout;
    for (const auto &b : buttonRow) {
        const QString caption = QString::fromLatin1(b.caption);
        b.button = new QPushButton(style()->standardIcon(b.glyph), caption, this);
        b.button->setObjectName(QString::fromLatin1(b.name));
        b.button->setAccessibleName(caption.trimmed());
        b.button->setToolTip(tr("Закончить поиск"));
        b.button->setDefault(true);
        b.button->setMinimumWidth(90);
        if (buttons->count() > 0)
            buttons->addStretch();
        buttons->addWidget(b.button);
    }
    layout->setRowMinimumHeight(2, 6);
    layout->addLayout(buttons, 3, 0, 1, 4);
    layout->setRowStretch(4, 1);

    // Enter reaches the default button before the control that has the focus, as in a dialog.
    qApp->installEventFilter(this);
    hide();
}

SelectionTexts SelectPanel::texts() const
{
    return {edAuthor->text(), edTitle->text(), edResume->text(), edKeyW2->text()};
}

void SelectPanel::mmSelectClick()
{
    if (tag(FTagHolder) == 0) {
        show();
        setTag(FTagHolder, 1);
        // What the user types next is the author to select, not a change of the entry shown.
        edAuthor->setFocus(Qt::OtherFocusReason);
    } else {
        FGrid->hide();
        setTag(FTagHolder, 0);
    }
}

void SelectPanel::bbOKSelectClick()
{
    {
        // Opening the query also moves the main table to the first row's entry.
        const quil::WaitCursor wait;
        runSelection(FDataModule->ADOQuery, texts());
    }
    hide();
    setTag(FTagHolder, 1);
    FGrid->show();
}

void SelectPanel::bbClearSelectClick()
{
    for (QLineEdit *edit : {edAuthor, edTitle, edResume, edKeyW2})
        edit->clear();
}

void SelectPanel::bbCloseSelectClick()
{
    hide();
    setTag(FTagHolder, 0);
}

bool SelectPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !isVisible())
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    const auto *target = qobject_cast<QWidget *>(watched);
    if (!target || target->window() != window() || takesEnter(target))
        return false;
    bbOKSelect->click();
    return true;
}

} // namespace search
