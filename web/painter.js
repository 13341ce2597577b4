// The chart's drawing surface in the browser. The C++ surface calls these
// methods in chart pixels of the 797 x 613 drawing; the painter records them
// since the last clear, so that the same chart can be drawn again at another
// device pixel ratio or size, or into an image of one device pixel per pixel.

export const chartWidth = 797;
export const chartHeight = 613;

// The canvas antialiases. A line of odd width centred on a whole coordinate
// would cover two half pixels; shifted by half a pixel it covers exactly the
// pixel row or column at that coordinate, as the desktop's aliased painter
// draws it. Even widths already end on pixel edges.
function pixelOffset(width) {
    return Math.round(width) % 2 === 1 ? 0.5 : 0;
}

function drawLine(ctx, [x1, y1, x2, y2, width, colour]) {
    const shift = pixelOffset(width);
    ctx.lineWidth = width;
    ctx.lineCap = 'round';
    ctx.lineJoin = 'round';
    ctx.strokeStyle = colour;
    ctx.beginPath();
    ctx.moveTo(x1 + shift, y1 + shift);
    ctx.lineTo(x2 + shift, y2 + shift);
    ctx.stroke();
}

function drawOutline(ctx, [left, top, right, bottom, width, colour]) {
    const shift = pixelOffset(width);
    ctx.lineWidth = width;
    ctx.lineCap = 'square';
    ctx.lineJoin = 'miter';
    ctx.strokeStyle = colour;
    ctx.strokeRect(left + shift, top + shift, right - left, bottom - top);
}

function drawFill(ctx, [left, top, width, height, colour]) {
    ctx.fillStyle = colour;
    ctx.fillRect(left, top, width, height);
}

function drawText(ctx, [x, baseline, font, colour, text]) {
    ctx.font = font;
    ctx.fillStyle = colour;
    ctx.textBaseline = 'alphabetic';
    ctx.textAlign = 'left';
    ctx.fillText(text, x, baseline);
}

const drawers = {line: drawLine, outline: drawOutline, fill: drawFill, text: drawText};

// Draws the recorded operations on a white ground, scaled from chart pixels
// to the context's pixels.
export function replay(ctx, operations, scaleX, scaleY = scaleX) {
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.fillStyle = '#ffffff';
    ctx.fillRect(0, 0, ctx.canvas.width, ctx.canvas.height);
    ctx.setTransform(scaleX, 0, 0, scaleY, 0, 0);
    for (const [kind, args] of operations) drawers[kind](ctx, args);
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
        replay(this.ctx, this.operations, width / chartWidth, height / chartHeight);
    }

    record(kind, args) {
        this.operations.push([kind, args]);
        drawers[kind](this.ctx, args);
    }

    clear() {
        this.operations = [];
        replay(this.ctx, this.operations, this.canvas.width / chartWidth, this.canvas.height / chartHeight);
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
