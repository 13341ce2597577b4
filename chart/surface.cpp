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

QFont fontOfPixels(const QString& face, int pixels) {
    QFont font(face.isEmpty() ? fromTable(plainFace) : face);
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

QString fromTable(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont fontFor(const QString& face, double points) {
    return fontOfPixels(face, pixelSize(points));
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
    return toQColor(tableColour(n));
}

void installFontSubstitutes() {
    for (const FontSubstitute& substitute : fontSubstitutes)
        QFont::insertSubstitution(fromTable(substitute.face), fromTable(substitute.standIn));
}

Surface::Surface(int imageHeight) : image_(whiteImage(width, imageHeight, 1)) {}

void Surface::clear() {
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

void Surface::drawLine(Point from, Point to, int lineWidth, Colour colour) {
    perform(Segment{{from.x, from.y},
                    {to.x, to.y},
                    QPen(toQColor(colour), lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)});
}

void Surface::drawOutline(Point corner, Point opposite, int lineWidth, Colour colour) {
    perform(Outline{QRectF(QPointF(corner.x, corner.y), QPointF(opposite.x, opposite.y)).normalized(),
                    QPen(toQColor(colour), lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)});
}

void Surface::fill(Box box, Colour colour) {
    perform(Fill{QRectF(box.left, box.top, box.width, box.height), toQColor(colour)});
}

void Surface::FilledCircle(double x, double y, double radius, const QColor& fill, const QColor& outline) {
    perform(Disc{{x, y}, radius, fill, outline});
}

void Surface::drawText(Point baseline, std::string_view face, int pixels, Colour colour,
                       std::string_view text) {
    perform(Text{QPointF(baseline.x, baseline.y), fontOfPixels(fromTable(face), pixels), toQColor(colour),
                 fromTable(text)});
}

// Measured on the image of one device pixel per pixel, so that where the
// next text goes never depends on the screen.
Canvas::FontMetrics Surface::metrics(std::string_view face, int pixels) {
    const QFontMetricsF measured(fontOfPixels(fromTable(face), pixels), &image_);
    return {measured.ascent(), measured.height()};
}

double Surface::textWidth(std::string_view face, int pixels, std::string_view text) {
    return QFontMetricsF(fontOfPixels(fromTable(face), pixels), &image_).horizontalAdvance(fromTable(text));
}

std::vector<Colour> Surface::readPixels(int left, int top, int columns, int rows) {
    std::vector<Colour> colours;
    colours.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int y = top; y < top + rows; ++y)
        for (int x = left; x < left + columns; ++x) {
            const QRgb pixel = image_.pixel(x, y);
            colours.push_back({qRed(pixel), qGreen(pixel), qBlue(pixel)});
        }
    return colours;
}

void Surface::refresh() {
    if (onRefresh_) onRefresh_();
}

}  // namespace chart
