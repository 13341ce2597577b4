#include "ui/picture_box.h"

#include <qdrawutil.h>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QWindow>

#include <cmath>

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setMouseTracking(true);
    surface_.setRefreshHandler([this] { repaint(); });
    // Drawing before the window is shown already goes to the screen's ratio.
    followScreen();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    // The focus shows as the border in the highlight colour, as wide as the
    // sunken one it replaces, so that the chart itself stays uncovered.
    const bool marksFocus = showsFocus();
    if (!marksFocus) QFrame::paintEvent(event);
    QPainter painter(this);
    if (marksFocus) qDrawPlainRect(&painter, rect(), palette().color(QPalette::Highlight), lineWidth());
    painter.drawImage(contentsRect().topLeft(), surface_.screenImage());
}

// As the style shows it on other controls: once the focus has been moved by keys.
bool PictureBox::showsFocus() const {
    QStyleOption option;
    option.initFrom(this);
    return option.state.testFlag(QStyle::State_HasFocus) &&
           option.state.testFlag(QStyle::State_KeyboardFocusChange);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    // While a button is held after a press on the chart, moves outside it
    // arrive here too, with positions beyond its edges.
    const QPointF chartPoint = exactPosition(*event) - QPointF(contentsRect().topLeft());
    if (onMouseMove_) onMouseMove_(event->buttons(), chartPoint.x(), chartPoint.y());
}

// A move delivered through the window carries its position in the widget
// rounded to whole pixels (so does its global one); on a screen of several
// device pixels per pixel the pointer also stands between them, and the
// position in the window keeps that fraction. An event whose two positions
// do not agree within the rounding (one sent to the chart itself) keeps its own.
QPointF PictureBox::exactPosition(const QMouseEvent& event) const {
    const QPointF exact = event.scenePosition() - mapTo(window(), QPointF(0, 0));
    const QPointF offset = exact - event.position();
    return std::abs(offset.x()) <= 0.5 && std::abs(offset.y()) <= 0.5 ? exact : event.position();
}

void PictureBox::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    followScreen();
    if (QWindow* handle = window()->windowHandle())
        connect(handle, &QWindow::screenChanged, this, &PictureBox::followScreen, Qt::UniqueConnection);
}

void PictureBox::followScreen() {
    surface_.setDevicePixelRatio(devicePixelRatioF());
    update();
}
