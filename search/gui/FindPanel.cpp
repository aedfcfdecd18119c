#include "search/gui/FindPanel.h"

#include "platform/gui/Tag.h"
#include "platform/gui/WaitCursor.h"
#include "store/TDataModule1.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace search {

namespace {
const char ChooserText[] = QT_TRANSLATE_NOOP("search::FindPanel", " Поле для поиска");
} // namespace

FindPanel::FindPanel(QObject *tagHolder, QWidget *parent)
    : QGroupBox(tr("Поиск"), parent), FTagHolder(tagHolder)
{
    setObjectName(QStringLiteral("gbFind"));
    setAccessibleName(title());
    setFixedSize(657, 114);
    // The panels lie one over the other: what lies below must not show through.
    setAutoFillBackground(true);

    ComboBoxFind = new QComboBox(this);
    ComboBoxFind->setObjectName(QStringLiteral("ComboBoxFind"));
    ComboBoxFind->setAccessibleName(tr("Поле для поиска"));
    ComboBoxFind->setEditable(true);
    ComboBoxFind->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxFind->addItems(findItemTexts());
    ComboBoxFind->setCurrentIndex(-1);
    ComboBoxFind->setEditText(tr(ChooserText));
    ComboBoxFind->setGeometry(10, 44, 150, 24);

    GroupBoxEdit = new QGroupBox(tr(" Информация для поиска"), this);
    GroupBoxEdit->setObjectName(QStringLiteral("GroupBoxEdit"));
    GroupBoxEdit->setGeometry(168, 22, 236, 56);
    EditFind = new QLineEdit(GroupBoxEdit);
    EditFind->setObjectName(QStringLiteral("EditFind"));
    EditFind->setAccessibleName(tr("Информация для поиска"));
    EditFind->setGeometry(8, 22, 220, 24);
    EditFind->installEventFilter(this);

    GroupBox1 = new QGroupBox(tr("Указание года поиска"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(412, 22, 152, 56);
    cedFindYear = new QLineEdit(GroupBox1);
    cedFindYear->setObjectName(QStringLiteral("cedFindYear"));
    cedFindYear->setAccessibleName(tr("Год поиска"));
    cedFindYear->setAlignment(Qt::AlignCenter);
    cedFindYear->setGeometry(8, 22, 136, 24);
    cedFindYear->installEventFilter(this);

    Image4 = new QLabel(this);
    Image4->setObjectName(QStringLiteral("Image4"));
    Image4->setGeometry(570, 30, 14, 14);
    Image4->setPixmap(style()->standardIcon(QStyle::SP_FileDialogContentsView).pixmap(14, 14));

    const auto button = [this](const QString &name, const QString &caption, const QString &hint,
                               QStyle::StandardPixmap glyph, int top) {
        auto *result = new QPushButton(style()->standardIcon(glyph), caption, this);
        result->setObjectName(name);
        result->setToolTip(hint);
        result->setAccessibleName(caption);
        // As on the platform the program comes from, a focused button takes Enter itself.
        result->setAutoDefault(true);
        result->setGeometry(586, top, 64, 26);
        result->hide();
        return result;
    };
    ButtonFind =
        button(QStringLiteral("ButtonFind"), tr("Поиск"), tr("Начать поиск - Поиск с начала БД"),
               QStyle::SP_FileDialogContentsView, 24);
    ButtonFindNext = button(QStringLiteral("ButtonFindNext"), tr("Далее"), tr("Продолжить поиск"),
                            QStyle::SP_ArrowForward, 58);

    // Connected after the initial texts are set: only the user's changes count.
    connect(ComboBoxFind, &QComboBox::activated, this, [this](int index) {
        FItem = index;
        ComboBoxFindChange();
    });
    connect(ComboBoxFind->lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        FItem = ComboBoxFind->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        ComboBoxFindChange();
    });
    connect(EditFind, &QLineEdit::textChanged, this, [this] { EditFindChange(); });
    hide();
}

void FindPanel::ComboBoxFindChange() { ButtonFind->show(); }

void FindPanel::EditFindChange() { ButtonFindNext->hide(); }

void FindPanel::FindClick()
{
    if (tag(FTagHolder) != 0) {
        hide();
        setTag(FTagHolder, 0);
        FEnterContinues = nullptr;
        return;
    }
    show();
    setTag(FTagHolder, 1);
    cedFindYear->clear();
    // What the user types next is the search text, not a change of the entry shown.
    EditFind->setFocus(Qt::OtherFocusReason);
}

bool FindPanel::continuesOnEnter() const { return !ButtonFindNext->isHidden(); }

void FindPanel::find(FindFrom from, QWidget *authorControl)
{
    const FindRequest request{FItem, EditFind->text(), cedFindYear->text(), from};
    if (request.item < 0 || request.text.isEmpty())
        return;
    FindOutcome outcome;
    {
        const quil::WaitCursor wait;
        outcome = findInTable(FDataModule->ADOTable, request, FDataModule);
    }
    if (outcome == FindOutcome::NotFound) {
        if (from == FindFrom::Next)
            ButtonFindNext->hide();
        return;
    }
    ButtonFindNext->show();
    if (request.item == FindAuthor && authorControl &&
        (from == FindFrom::First || request.yearMode())) {
        authorControl->setFocus();
        keepEnterFor(authorControl);
    }
}

void FindPanel::keepEnterFor(QWidget *authorControl)
{
    FEnterContinues = authorControl;
    authorControl->installEventFilter(this);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(authorControl))
        area->viewport()->installEventFilter(this);
}

bool FindPanel::enterContinuesIn(const QWidget *authorControl) const
{
    // The window's focus widget is asked as well: an inactive window reports no focus change.
    return authorControl && FEnterContinues == authorControl && isVisible() &&
           authorControl->window()->focusWidget() == authorControl;
}

namespace {

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// Keys that only change what the next key means, such as the layout switch.
bool isModifierOnly(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_Mode_switch: return true;
    default: return false;
    }
}

} // namespace

bool FindPanel::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((watched == EditFind || watched == cedFindYear) && type == QEvent::KeyPress) {
        if (isEnter(static_cast<QKeyEvent *>(event)->key())) {
            emit enterPressed();
            return true;
        }
        return QGroupBox::eventFilter(watched, event);
    }
    QWidget *author = FEnterContinues;
    if (!author || (watched != author && !author->isAncestorOf(qobject_cast<QWidget *>(watched))))
        return QGroupBox::eventFilter(watched, event);
    if (type == QEvent::KeyPress && watched == author) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (isEnter(key) && enterContinuesIn(author)) {
            emit enterPressed();
            return true;
        }
        if (!isModifierOnly(key))
            FEnterContinues = nullptr;
    } else if ((type == QEvent::FocusOut && watched == author) ||
               type == QEvent::MouseButtonPress) {
        FEnterContinues = nullptr;
    }
    return QGroupBox::eventFilter(watched, event);
}

void FindPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    event->accept();
}

} // namespace search
