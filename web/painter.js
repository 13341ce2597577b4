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

function rgbOf(colour) {
    const value = parseInt(colour.slice(1), 16);
    return [(value >> 16) & 255, (value >> 8) & 255, value & 255];
}

// A line with round caps, aliased as on the desktop: a pixel takes the
// colour when its centre lies inside the stroke, else keeps its own. The
// canvas would blend the edges of a slanted line with the ground. A centre
// on the stroke's edge counts as inside on the edge's lower and right side,
// as the desktop's painter decides it: the point sampled lies a little above
// and to the left of the centre.
const sample = 0.5 - 1 / 128;
function rasterLine(image, scale, [x1, y1, x2, y2, width, colour]) {
    const radius = deviceWidth(width, scale) / 2;
    const shift = Math.round(width) % 2 === 1 ? 0.5 : 0;
    const ax = (x1 + shift) * scale;
    const ay = (y1 + shift) * scale;
    const dx = (x2 - x1) * scale;
    const dy = (y2 - y1) * scale;
    const length2 = dx * dx + dy * dy;
    const [red, green, blue] = rgbOf(colour);
    const left = Math.max(0, Math.floor(Math.min(ax, ax + dx) - radius));
    const right = Math.min(image.width - 1, Math.ceil(Math.max(ax, ax + dx) + radius));
    const top = Math.max(0, Math.floor(Math.min(ay, ay + dy) - radius));
    const bottom = Math.min(image.height - 1, Math.ceil(Math.max(ay, ay + dy) + radius));
    for (let py = top; py <= bottom; ++py) {
        for (let px = left; px <= right; ++px) {
            const cx = px + sample - ax;
            const cy = py + sample - ay;
            const t = length2 === 0 ? 0 : Math.min(1, Math.max(0, (cx * dx + cy * dy) / length2));
            const ex = cx - t * dx;
            const ey = cy - t * dy;
            if (ex * ex + ey * ey >= radius * radius) continue;
            const at = 4 * (py * image.width + px);
            image.data[at] = red;
            image.data[at + 1] = green;
            image.data[at + 2] = blue;
            image.data[at + 3] = 255;
        }
    }
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

const drawers = {outline: drawOutline, fill: drawFill, text: drawText};

// Draws operations into a canvas at a scale. Lines are set pixel by pixel in
// the canvas's pixels, fetched once for a series of lines and put back
// before anything else is drawn.
class Drawing {
    constructor(ctx, scale) {
        this.ctx = ctx;
        this.scale = scale;
        this.pixels = null;
    }

    draw(kind, args) {
        if (kind === 'line') {
            this.pixels ??= this.ctx.getImageData(0, 0, this.ctx.canvas.width, this.ctx.canvas.height);
            rasterLine(this.pixels, this.scale, args);
            return;
        }
        this.flush();
        drawers[kind](this.ctx, this.scale, args);
    }

    flush() {
        if (!this.pixels) return;
        this.ctx.putImageData(this.pixels, 0, 0);
        this.pixels = null;
    }

    // A white ground, all drawn before forgotten.
    clear() {
        this.pixels = null;
        this.ctx.setTransform(1, 0, 0, 1, 0, 0);
        this.ctx.fillStyle = '#ffffff';
        this.ctx.fillRect(0, 0, this.ctx.canvas.width, this.ctx.canvas.height);
    }
}

// Draws the recorded operations on a white ground, scaled from chart pixels
// to device pixels.
export function replay(ctx, operations, scale) {
    const drawing = new Drawing(ctx, scale);
    drawing.clear();
    for (const [kind, args] of operations) drawing.draw(kind, args);
    drawing.flush();
    return drawing;
}

// A face's ascent and descent per pixel of size, as the desktop's text
// engine takes them from the font file: the OS/2 table's typographic values
// where the font asks for them, else its Windows values. The canvas's own
// font box uses other values for some faces, which would move the chart's
// texts against the desktop's.
export function faceMetrics(fontFile) {
    const view = new DataView(fontFile);
    const tableCount = view.getUint16(4);
    const tableAt = (tag) => {
        for (let i = 0; i < tableCount; ++i) {
            const entry = 12 + 16 * i;
            const name = String.fromCharCode(...[0, 1, 2, 3].map((k) => view.getUint8(entry + k)));
            if (name === tag) return view.getUint32(entry + 8);
        }
        throw new Error(`the font has no ${tag} table`);
    };
    const unitsPerEm = view.getUint16(tableAt('head') + 18);
    const os2 = tableAt('OS/2');
    const useTypographic = (view.getUint16(os2 + 62) & 0x80) !== 0;
    const [ascent, descent] = useTypographic
        ? [view.getInt16(os2 + 68), -view.getInt16(os2 + 70)]
        : [view.getUint16(os2 + 74), view.getUint16(os2 + 76)];
    return {ascent: ascent / unitsPerEm, descent: descent / unitsPerEm};
}

export class RecordingPainter {
    // faces: the faces' metrics by family name (faceMetrics).
    constructor(canvas, faces = new Map()) {
        this.canvas = canvas;
        // Lines are drawn in the canvas's pixels, read back often.
        this.ctx = canvas.getContext('2d', {willReadFrequently: true});
        this.faces = faces;
        this.operations = [];
        this.onRefresh = () => {};
        this.resize(chartWidth, chartHeight);
    }

    // Gives the canvas a backing store of width x height device pixels and
    // draws the recorded chart into it.
    resize(width, height) {
        this.canvas.width = width;
        this.canvas.height = height;
        this.drawing = replay(this.ctx, this.operations, width / chartWidth);
    }

    record(kind, args) {
        this.operations.push([kind, args]);
        this.drawing.draw(kind, args);
    }

    clear() {
        this.operations = [];
        this.drawing.clear();
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

    // The font's ascent and height (ascent and descent) in pixels, for a CSS
    // font such as '16px "Carlito"'.
    metrics(font) {
        const [, size, family] = /^([\d.]+)px\s+"?([^"]+)"?$/.exec(font) ?? [];
        const face = this.faces.get(family);
        if (face) return {ascent: size * face.ascent, height: size * (face.ascent + face.descent)};
        this.ctx.save();
        this.ctx.font = font;
        const measured = this.ctx.measureText('');
        this.ctx.restore();
        return {
            ascent: measured.fontBoundingBoxAscent,
            height: measured.fontBoundingBoxAscent + measured.fontBoundingBoxDescent,
        };
    }

    // Width of a text in a CSS font, in chart pixels.
    textWidth(font, text) {
        this.ctx.save();
        this.ctx.font = font;
        const width = this.ctx.measureText(text).width;
        this.ctx.restore();
        return width;
    }

    // The colours of a rectangle of the chart drawn so far, at one device
    // pixel per pixel whatever the screen: RGBA, row by row.
    pixels(left, top, columns, rows) {
        return this.imageAtRatioOne().getContext('2d').getImageData(left, top, columns, rows).data;
    }

    refresh() {
        this.drawing.flush();
        this.onRefresh();
    }

    // The chart as a canvas of 797 x 613 pixels, one device pixel per pixel.
    imageAtRatioOne() {
        const canvas = document.createElement('canvas');
        canvas.width = chartWidth;
        canvas.height = chartHeight;
        replay(canvas.getContext('2d', {willReadFrequently: true}), this.operations, 1);
        return canvas;
    }
}
