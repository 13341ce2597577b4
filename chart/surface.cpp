#include "surface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <array>
#include <cmath>

namespace chart {

namespace {

// An empty face name stands for the chart's plain text face.
const QString emptyFaceFamily = QStringLiteral("Carlito");

QFont fontFor(const QString& face, double points) {
    QFont font(face.isEmpty() ? emptyFaceFamily : face);
    // Points become pixels at 96 dots per inch on every screen, so the chart
    // looks the same everywhere.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
    return font;
}

}  // namespace

QColor QBColor(int n) {
    static const std::array<QColor, 16> table{
        QColor(0, 0, 0),       QColor(0, 0, 128),   QColor(0, 128, 0),   QColor(0, 128, 128),
        QColor(128, 0, 0),     QColor(128, 0, 128), QColor(128, 128, 0), QColor(192, 192, 192),
        QColor(128, 128, 128), QColor(0, 0, 255),   QColor(0, 255, 0),   QColor(0, 255, 255),
        QColor(255, 0, 0),     QColor(255, 0, 255), QColor(255, 255, 0), QColor(255, 255, 255)};
    return table.at(static_cast<std::size_t>(n));
}

void installFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("Calibri"), QStringLiteral("Carlito"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    // The caption's face; a narrow face keeps its big letters inside the chart.
    QFont::insertSubstitution(QStringLiteral("modern"), QStringLiteral("Carlito"));
}

Surface::Surface() : image_(width, height, QImage::Format_RGB32) {
    image_.setDotsPerMeterX(3780);  // 96 dots per inch
    image_.setDotsPerMeterY(3780);
    Cls();
}

void Surface::Cls() {
    image_.fill(Qt::white);
}

void Surface::Line(double x1, double y1, double x2, double y2, const QColor& colour) {
    QPainter painter(&image_);
    painter.setPen(QPen(colour, drawWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void Surface::LineBox(double x1, double y1, double x2, double y2, const QColor& colour) {
    QPainter painter(&image_);
    painter.setPen(QPen(colour, drawWidth_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized());
}

void Surface::LineFilledBox(double x1, double y1, double x2, double y2, const QColor& colour) {
    QPainter painter(&image_);
    // Both corners belong to the box.
    const QRectF box = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    painter.fillRect(QRectF(box.topLeft(), box.size() + QSizeF(1, 1)), colour);
}

void Surface::PSet(double x, double y, const QColor& colour) {
    QPainter painter(&image_);
    const double half = drawWidth_ / 2.0;
    painter.fillRect(QRectF(x - half, y - half, drawWidth_, drawWidth_), colour);
}

void Surface::Print(const QString& text) {
    QPainter painter(&image_);
    const QFont font = fontFor(fontName_, fontSize_);
    painter.setFont(font);
    painter.setPen(foreColor_);
    const QFontMetricsF metrics(font, &image_);
    painter.drawText(QPointF(currentX_, currentY_ + metrics.ascent()), text);
    // Like a line of text: the next one would start below it, at the left.
    currentX_ = 0;
    currentY_ += metrics.height();
}

void Surface::Refresh() const {
    if (onRefresh_) onRefresh_();
}

}  // namespace chart
