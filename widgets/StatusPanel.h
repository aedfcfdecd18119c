#pragma once

#include <QLabel>
#include <QStaticText>

namespace quil {

// A status bar panel: one line of plain text that changes on every move. A label's new text asks
// the whole bar to lay out and repaint every panel, measuring each text anew; this panel's size
// never depends on its text (its width is set by the window), so a new text repaints only the
// panel, drawn from text laid out once. Its accessible name is the text shown.
class StatusPanel : public QLabel {
    Q_OBJECT
public:
    explicit StatusPanel(const QString &text, QWidget *parent = nullptr);
    void setPanelText(const QString &text);
    const QString &panelText() const { return FText; }

    QSize sizeHint() const override { return minimumSizeHint(); }
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString FText;
    QStaticText FLaidOut;
    qreal FReach = 0; // how far the laid-out text reaches from the left
    bool FPrepared = false;
};

} // namespace quil
