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
        this.ctx = canvas.getContext('2d');
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
