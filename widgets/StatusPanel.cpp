#include "widgets/StatusPanel.h"

#include "widgets/ShapedText.h"

#include <QEvent>
#include <QPainter>

namespace quil {

StatusPanel::StatusPanel(const QString &text, QWidget *parent) : QLabel(parent)
{
    FLaidOut.setTextFormat(Qt::PlainText);
    FLaidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    setPanelText(text);
}

void StatusPanel::setPanelText(const QString &text)
{
    if (text == FText && !FText.isNull())
        return;
    FText = text;
    FPrepared = false;
    setAccessibleName(text);
    update(contentsRect());
}

QSize StatusPanel::minimumSizeHint() const
{
    return {minimumWidth(), fontMetrics().height() + 2 * (frameWidth() + margin())};
}

void StatusPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        FPrepared = false;
    QLabel::changeEvent(event);
}

void StatusPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    if (FText.isEmpty())
        return;
    QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    // A framed label keeps half an "x" between its frame and a text at its side.
    const int inset = indent() >= 0      ? indent()
                      : frameWidth() > 0 ? fontMetrics().horizontalAdvance(u'x') / 2 - margin()
                                         : 0;
    const Qt::Alignment align = alignment();
    if (inset > 0) {
        if (align & Qt::AlignLeft)
            room.setLeft(room.left() + inset);
        if (align & Qt::AlignRight)
            room.setRight(room.right() - inset);
    }
    // Laid out as far as the panel shows it; a wider panel lays it out again.
    if (!FPrepared || FReach < neededReach(room.width(), align, layoutDirection())) {
        FReach =
            prepareVisibleLine(FLaidOut, FText, font(), room.width(), align, layoutDirection());
        FPrepared = true;
    }
    const QSizeF size = FLaidOut.size();
    qreal x = room.left();
    if (align & Qt::AlignHCenter)
        x += (room.width() - size.width()) / 2;
    else if (align & Qt::AlignRight)
        x = room.right() + 1 - size.width();
    const qreal y = room.top() + (room.height() - size.height()) / 2;
    painter.setClipRect(room, Qt::IntersectClip);
    painter.drawStaticText(QPointF(x, y), FLaidOut);
}

} // namespace quil
