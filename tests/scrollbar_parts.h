#pragma once
// Where a part of a slider (arrow, track, thumb) lies, as its style draws it,
// so that tests can press there.

#include <QRect>
#include <QStyle>
#include <QStyleOptionSlider>

#include "hscrollbar.h"

[[nodiscard]] inline QRect partOf(const HScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}
