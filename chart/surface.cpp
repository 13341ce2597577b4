#include "chart/surface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <array>
#include <cmath>
#include <utility>

#include "model/overloaded.h"

namespace chart {

namespace {

// An empty face name stands for the chart's plain text face.
const QString emptyFaceFamily = QStringLiteral("Carlito");

}  // namespace

QFont fontFor(const QString& face, double points) {
    QFont font(face.isEmpty() ? emptyFaceFamily : face);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
    return font;
}

namespace {

QImage whiteImage(int width, int height, double ratio) {
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);  // 96 dots per inch
    image.setDotsPerMeterY(3780);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    return image;
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

Surface::Surface(int imageHeight) : image_(whiteImage(width, imageHeight, 1)) {}

void Surface::Cls() {
    image_.fill(Qt::white);
    if (!screenImage_.isNull()) screenImage_.fill(Qt::white);
    operations_.clear();
}

void Surface::setDevicePixelRatio(double ratio) {
    if (ratio == ratio_) return;
    ratio_ = ratio;
    screenImage_ = QImage();
    if (ratio_ == 1) return;
    const auto scaled = [ratio](int pixels) { return static_cast<int>(std::ceil(pixels * ratio)); };
    screenImage_ = whiteImage(scaled(width), scaled(image_.height()), ratio);
    for (const Operation& operation : operations_) paint(screenImage_, operation);
}

// Each operation paints with a painter of its own: the pixels do not depend
// on what was drawn before.
void Surface::paint(QImage& target, const Operation& operation) {
    QPainter painter(&target);
    std::visit(pandemie::Overloaded{
                   [&](const Segment& line) {
                       painter.setPen(line.pen);
                       painter.drawLine(line.from, line.to);
                   },
                   [&](const Outline& box) {
                       painter.setPen(box.pen);
                       painter.setBrush(Qt::NoBrush);
                       painter.drawRect(box.box);
                   },
                   [&](const Fill& box) { painter.fillRect(box.box, box.colour); },
                   [&](const Disc& disc) {
                       painter.setRenderHint(QPainter::Antialiasing);
                       painter.setPen(QPen(disc.outline, 1));
                       painter.setBrush(disc.fill);
                       painter.drawEllipse(disc.centre, disc.radius, disc.radius);
                   },
                   [&](const Text& text) {
                       painter.setFont(text.font);
                       painter.setPen(text.colour);
                       painter.drawText(text.baseline, text.text);
                   },
               },
               operation);
}

void Surface::perform(Operation operation) {
    paint(image_, operation);
    if (!screenImage_.isNull()) paint(screenImage_, operation);
    operations_.push_back(std::move(operation));
}

void Surface::Line(double x1, double y1, double x2, double y2, const QColor& colour) {
    perform(
        Segment{{x1, y1}, {x2, y2}, QPen(colour, drawWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)});
}

void Surface::LineBox(double x1, double y1, double x2, double y2, const QColor& colour) {
    perform(Outline{QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized(),
                    QPen(colour, drawWidth_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)});
}

void Surface::LineFilledBox(double x1, double y1, double x2, double y2, const QColor& colour) {
    // Both corners belong to the box.
    const QRectF box = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    perform(Fill{QRectF(box.topLeft(), box.size() + QSizeF(1, 1)), colour});
}

void Surface::PSet(double x, double y, const QColor& colour) {
    const double half = drawWidth_ / 2.0;
    perform(Fill{QRectF(x - half, y - half, drawWidth_, drawWidth_), colour});
}

void Surface::FilledCircle(double x, double y, double radius, const QColor& fill, const QColor& outline) {
    perform(Disc{{x, y}, radius, fill, outline});
}

void Surface::Print(const QString& text) {
    const QFont font = fontFor(fontName_, fontSize_);
    // Measured on the image of one device pixel per pixel, so that where the
    // next text goes never depends on the screen.
    const QFontMetricsF metrics(font, &image_);
    perform(Text{QPointF(currentX_, currentY_ + metrics.ascent()), font, foreColor_, text});
    // Like a line of text: the next one would start below it, at the left.
    currentX_ = 0;
    currentY_ += metrics.height();
}

void Surface::Refresh() const {
    if (onRefresh_) onRefresh_();
}

}  // namespace chart
