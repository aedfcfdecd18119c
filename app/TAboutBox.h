#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: one modeless instance, hidden and shown again, never destroyed before the end.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    static const QString WebAddress;
    static const QString MailAddress;

    QLabel *AppIcon;
    QLabel *WebLabel;
    QLabel *Label3;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    QPushButton *OKButton;

    void OKButtonClick();
    void Label5Click();
    void Label6Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
