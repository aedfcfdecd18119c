#include "app/TAboutBox.h"

#include "app/Handler.h"
#include "platform/Error.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

const QString TAboutBox::WebAddress = QStringLiteral("https://quil-lib.example.org");
const QString TAboutBox::MailAddress = QStringLiteral("author@quil-lib.example.org");

namespace {

QLabel *label(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(name);
    result->setGeometry(geometry);
    return result;
}

void makeLink(QLabel *link)
{
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    link->setStyleSheet(QStringLiteral("color: blue;"));
    link->setCursor(Qt::PointingHandCursor);
}

// The shell's failure to open an address is of no concern to the about box.
void openQuietly(const QString &address)
{
    try {
        quil::shell().open(address);
    } catch (const std::exception &) {
    }
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("О программе"));
    setAccessibleName(windowTitle());
    setModal(false);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(298, 225);

    AppIcon = label(this, QStringLiteral("AppIcon"), {}, {16, 12, 40, 40});
    AppIcon->setPixmap(style()->standardIcon(QStyle::SP_FileDialogContentsView).pixmap(32, 32));
    AppIcon->setToolTip(QStringLiteral("Click twice here!"));
    AppIcon->setAccessibleName(tr("Значок программы"));

    WebLabel =
        label(this, QStringLiteral("WebLabel"), QStringLiteral("QUIL.Lib"), {64, 12, 218, 28});
    WebLabel->setAlignment(Qt::AlignCenter);
    QFont titleFont = WebLabel->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(20);
    WebLabel->setFont(titleFont);
    auto *shadow = new QGraphicsDropShadowEffect(WebLabel);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(0);
    shadow->setColor(Qt::gray);
    WebLabel->setGraphicsEffect(shadow);
    WebLabel->setToolTip(QStringLiteral("RX Library Web Site"));

    Label3 = label(this, QStringLiteral("Label3"),
                   tr("   База данных для хранения и\nредактирования информации по \n"
                      " библиографическим ссылкам."),
                   {64, 44, 218, 48});
    Label1 =
        label(this, QStringLiteral("Label1"), QStringLiteral(" Version 4.01"), {64, 94, 218, 16});
    Label2 = label(this, QStringLiteral("Label2"), tr("Qt 6 и SQLite; автор QUIL.Lib, 2006–2026"),
                   {16, 114, 266, 16});
    Label4 = label(this, QStringLiteral("Label4"), QStringLiteral("Contact points are: "),
                   {16, 136, 266, 16});
    Label5 = label(this, QStringLiteral("Label5"), QStringLiteral("WWW: ") + WebAddress,
                   {16, 154, 266, 16});
    Label6 = label(this, QStringLiteral("Label6"), QStringLiteral("E-Mail: ") + MailAddress,
                   {16, 172, 266, 16});
    makeLink(Label5);
    makeLink(Label6);
    Label5->installEventFilter(this);
    Label6->installEventFilter(this);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 194, 75, 25);
    OKButton->setDefault(true);
    connectHandler(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
}

void TAboutBox::OKButtonClick() { hide(); }

void TAboutBox::Label5Click() { openQuietly(WebAddress); }

void TAboutBox::Label6Click() { openQuietly(QStringLiteral("mailto:") + MailAddress); }

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == Label5)
            quil::guarded([this] { Label5Click(); });
        else if (watched == Label6)
            quil::guarded([this] { Label6Click(); });
    }
    return QDialog::eventFilter(watched, event);
}
