#pragma once

#include <QRect>
#include <QScrollBar>

namespace quil {

// A scroll bar that repaints only when what it draws changes. Following a table of many records
// moves its value on every move, and a memo's page changes with nearly every record, while the
// slider stays on the same pixels: the value, range or page alone repaints nothing then.
class QuietScrollBar : public QScrollBar {
    Q_OBJECT
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // What a value, range or page shows: where the slider is, and which ends it touches.
    struct Drawn {
        QRect slider;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Drawn &other) const
        {
            return slider == other.slider && atMinimum == other.atMinimum &&
                   atMaximum == other.atMaximum;
        }
    };
    Drawn drawn() const;

    Drawn FPainted;
    bool FHasPainted = false;
};

} // namespace quil
