// The chart's drawing surface in the browser. The C++ surface calls these
// methods in chart pixels of the 797 x 613 drawing; the painter records them
// since the last clear, so that the same chart can be drawn again at another
// device pixel ratio or size, or into an image of one device pixel per pixel.

export const chartWidth = 797;
export const chartHeight = 613;

// The canvas antialiases, the desktop's painter does not. A line of odd
// width w at a whole coordinate c covers the pixels from c - (w - 1) / 2 to
// c + (w - 1) / 2 there, one of even width those from c - w / 2 to
// c + w / 2 - 1. Drawn in device pixels with the ends of that span on whole
// device pixels, the canvas covers the same pixels, none of them partly, at
// every whole scale.
function deviceWidth(width, scale) {
    return Math.max(1, Math.round(width * scale));
}

function snapped(coordinate, scale, width) {
    const shift = Math.round(width) % 2 === 1 ? 0.5 : 0;
    return Math.round((coordinate + shift - width / 2) * scale) + deviceWidth(width, scale) / 2;
}

function drawLine(ctx, scale, [x1, y1, x2, y2, width, colour]) {
    const pixels = deviceWidth(width, scale);
    ctx.lineWidth = pixels;
    ctx.lineCap = 'round';
    ctx.lineJoin = 'round';
    ctx.strokeStyle = colour;
    ctx.beginPath();
    ctx.moveTo(snapped(x1, scale, width), snapped(y1, scale, width));
    ctx.lineTo(snapped(x2, scale, width), snapped(y2, scale, width));
    ctx.stroke();
}

function drawOutline(ctx, scale, [left, top, right, bottom, width, colour]) {
    const pixels = deviceWidth(width, scale);
    ctx.lineWidth = pixels;
    ctx.lineCap = 'square';
    ctx.lineJoin = 'miter';
    ctx.strokeStyle = colour;
    const x = snapped(left, scale, width);
    const y = snapped(top, scale, width);
    ctx.strokeRect(x, y, snapped(right, scale, width) - x, snapped(bottom, scale, width) - y);
}

function drawFill(ctx, scale, [left, top, width, height, colour]) {
    const x = Math.round(left * scale);
    const y = Math.round(top * scale);
    ctx.fillStyle = colour;
    ctx.fillRect(x, y, Math.round((left + width) * scale) - x, Math.round((top + height) * scale) - y);
}

// Text scales with the chart, its glyphs at the device's resolution.
function drawText(ctx, scale, [x, baseline, font, colour, text]) {
    ctx.setTransform(scale, 0, 0, scale, 0, 0);
    ctx.font = font;
    ctx.fillStyle = colour;
    ctx.textBaseline = 'alphabetic';
    ctx.textAlign = 'left';
    ctx.fillText(text, x, baseline);
    ctx.setTransform(1, 0, 0, 1, 0, 0);
}

const drawers = {line: drawLine, outline: drawOutline, fill: drawFill, text: drawText};

// Draws the recorded operations on a white ground, scaled from chart pixels
// to device pixels.
export function replay(ctx, operations, scale) {
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.fillStyle = '#ffffff';
    ctx.fillRect(0, 0, ctx.canvas.width, ctx.canvas.height);
    for (const [kind, args] of operations) drawers[kind](ctx, scale, args);
}

export class RecordingPainter {
    constructor(canvas) {
        this.canvas = canvas;
        this.ctx = canvas.getContext('2d');
        this.operations = [];
        this.metricsCache = new Map();
        this.onRefresh = () => {};
        this.resize(chartWidth, chartHeight);
    }

    // Gives the canvas a backing store of width x height device pixels and
    // draws the recorded chart into it.
    resize(width, height) {
        this.canvas.width = width;
        this.canvas.height = height;
        this.scale = width / chartWidth;
        replay(this.ctx, this.operations, this.scale);
    }

    record(kind, args) {
        this.operations.push([kind, args]);
        drawers[kind](this.ctx, this.scale, args);
    }

    clear() {
        this.operations = [];
        replay(this.ctx, this.operations, this.scale);
    }
    line(x1, y1, x2, y2, width, colour) {
        this.record('line', [x1, y1, x2, y2, width, colour]);
    }
    outline(left, top, right, bottom, width, colour) {
        this.record('outline', [left, top, right, bottom, width, colour]);
    }
    fill(left, top, width, height, colour) {
        this.record('fill', [left, top, width, height, colour]);
    }
    text(x, baseline, font, colour, text) {
        this.record('text', [x, baseline, font, colour, text]);
    }

    // The font's ascent and line height; a text's place depends on them, so
    // they are measured the same way on every screen.
    metrics(font) {
        let found = this.metricsCache.get(font);
        if (!found) {
            this.ctx.save();
            this.ctx.font = font;
            const measured = this.ctx.measureText('');
            this.ctx.restore();
            found = {
                ascent: measured.fontBoundingBoxAscent,
                height: measured.fontBoundingBoxAscent + measured.fontBoundingBoxDescent,
            };
            this.metricsCache.set(font, found);
        }
        return found;
    }

    refresh() {
        this.onRefresh();
    }

    // The chart as a canvas of 797 x 613 pixels, one device pixel per pixel.
    imageAtRatioOne() {
        const canvas = document.createElement('canvas');
        canvas.width = chartWidth;
        canvas.height = chartHeight;
        replay(canvas.getContext('2d'), this.operations, 1);
        return canvas;
    }
}
