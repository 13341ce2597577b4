#include "picture_box.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setMouseTracking(true);
    surface_.setRefreshHandler([this] { repaint(); });
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), surface_.image());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    // While a button is held after a press on the chart, moves outside it
    // arrive here too, with positions beyond its edges.
    const QPointF chartPoint = event->position() - QPointF(contentsRect().topLeft());
    if (onMouseMove_) onMouseMove_(event->buttons(), chartPoint.x(), chartPoint.y());
}
