#pragma once

#include <QEvent>
#include <QMap>
#include <QObject>

// Counts the paint events of the objects it watches.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QMap<QObject *, int> &paints) : FPaints(paints) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++FPaints[watched];
        return false;
    }

private:
    QMap<QObject *, int> &FPaints;
};
