#pragma once
// The chart control: shows the surface's persistent image inside a sunken
// 2-pixel border and reports pointer moves in chart units. The image follows
// the device pixel ratio of the screen the chart is on.

#include <QFrame>

#include <functional>

#include "chart/surface.h"

class PictureBox : public QFrame {
public:
    explicit PictureBox(QWidget* parent);

    [[nodiscard]] chart::Surface& surface() { return surface_; }
    void setMouseMoveHandler(std::function<void(Qt::MouseButtons, double, double)> handler) {
        onMouseMove_ = std::move(handler);
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void followScreen();
    [[nodiscard]] bool showsFocus() const;
    [[nodiscard]] QPointF exactPosition(const QMouseEvent& event) const;

    chart::Surface surface_;
    std::function<void(Qt::MouseButtons, double, double)> onMouseMove_;
};
