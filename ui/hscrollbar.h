#pragma once
// A horizontal slider with the events the window relies on: a change after
// the value has changed (arrows, track, keys, release of the dragged thumb,
// or an assignment from code, reported before the assignment returns) and a
// scroll while the thumb is dragged.

#include <QScrollBar>

class HScrollBar : public QScrollBar {
public:
    HScrollBar(int minimum, int maximum, int step, QWidget* parent);

    // The value under the thumb: while it is dragged the new one, else the
    // settled one.
    [[nodiscard]] int Value() const { return sliderPosition(); }
    // Assigning always reports a change, also for the value it already
    // holds; a locked slider thus shows its value from start-up on.
    void setValueFromCode(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
