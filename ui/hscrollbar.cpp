#include "hscrollbar.h"

HScrollBar::HScrollBar(int minimum, int maximum, int step, QWidget* parent)
    : QScrollBar(Qt::Horizontal, parent) {
    setRange(minimum, maximum);
    setSingleStep(step);
    setPageStep(step);
    setValue(minimum);
    setTracking(false);  // valueChanged only once the thumb is released
    setFocusPolicy(Qt::StrongFocus);
    // QScrollBar inverts its controls by default, which turns the arrow keys
    // around on a horizontal bar: the left key would raise the value.
    setInvertedControls(false);
}

void HScrollBar::setValueFromCode(int value) {
    if (value == this->value())
        emit valueChanged(value);
    else
        setValue(value);
}

void HScrollBar::onChange(std::function<void()> handler) {
    connect(this, &QScrollBar::valueChanged, this, [handler = std::move(handler)](int) { handler(); });
}

void HScrollBar::onScroll(std::function<void()> handler) {
    connect(this, &QScrollBar::sliderMoved, this, [handler = std::move(handler)](int) { handler(); });
}
