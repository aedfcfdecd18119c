#pragma once

#include <QEvent>
#include <QMap>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>

// Counts the paint events of the objects it watches, and gathers what each of them painted.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QMap<QObject *, int> &paints) : FPaints(paints) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++FPaints[watched];
            painted[watched] += static_cast<QPaintEvent *>(event)->region();
        }
        return false;
    }

    QMap<QObject *, QRegion> painted;

private:
    QMap<QObject *, int> &FPaints;
};
