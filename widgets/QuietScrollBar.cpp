#include "widgets/QuietScrollBar.h"

#include <QStyleOptionSlider>

namespace quil {

QuietScrollBar::Drawn QuietScrollBar::drawn() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    Drawn shown;
    shown.slider =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    shown.atMinimum = value() == minimum();
    shown.atMaximum = value() == maximum();
    return shown;
}

void QuietScrollBar::sliderChange(SliderChange change)
{
    if (change != SliderOrientationChange && FHasPainted && drawn() == FPainted)
        return;
    QScrollBar::sliderChange(change);
}

void QuietScrollBar::paintEvent(QPaintEvent *event)
{
    FPainted = drawn();
    FHasPainted = true;
    QScrollBar::paintEvent(event);
}

} // namespace quil
