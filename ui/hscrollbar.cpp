#include "ui/hscrollbar.h"

#include <qdrawutil.h>
#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionSlider>

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
    // The value announced stays the settled one while the thumb is dragged,
    // unless each position under the thumb is announced as it comes.
    connect(this, &QAbstractSlider::sliderMoved, this, [this](int position) {
        QAccessibleValueChangeEvent event(this, position);
        QAccessible::updateAccessibility(&event);
    });
}

void HScrollBar::setValueFromCode(int value) {
    if (value == this->value())
        emit valueChanged(value);
    else
        setValue(value);
}

// As the platform's horizontal scroll bars: Up and Page Up towards the
// minimum, Down and Page Down towards the maximum. The base class turns the
// vertical keys around once the controls are no longer inverted.
void HScrollBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            triggerAction(SliderSingleStepSub);
            break;
        case Qt::Key_PageUp:
            triggerAction(SliderPageStepSub);
            break;
        case Qt::Key_Down:
            triggerAction(SliderSingleStepAdd);
            break;
        case Qt::Key_PageDown:
            triggerAction(SliderPageStepAdd);
            break;
        default:
            QScrollBar::keyPressEvent(event);
    }
}

// The focus shows as the thumb outlined in the highlight colour, once the
// focus has been moved by keys, as the style marks the other controls.
void HScrollBar::paintEvent(QPaintEvent* event) {
    QScrollBar::paintEvent(event);
    QStyleOptionSlider option;
    initStyleOption(&option);
    if (!option.state.testFlag(QStyle::State_HasFocus) ||
        !option.state.testFlag(QStyle::State_KeyboardFocusChange))
        return;
    QPainter painter(this);
    const QRect thumb =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    qDrawPlainRect(&painter, thumb, palette().color(QPalette::Highlight), 2);
}
