// The window's behaviour in the page: sliders, buttons, the read-out of the
// pointer over the chart, the chart's menu, the parameters in the address.

import {RecordingPainter, chartWidth, chartHeight, faceMetrics} from './painter.js';

const byId = (id) => document.getElementById(id);

const canvas = byId('chart');
const menu = byId('Picture1_Menu');
let parameterSliders = [];
const commandButtons = ['Command1', 'Command4', 'Command5', 'save-chart', 'save-course'].map(byId);
const ensembleControls = ['runs', 'change-on', 'change-day', 'change-parameter', 'change-value', 'band'].map(byId);

// The faces the chart draws with; a text's place depends on its metrics, so
// they are loaded before the first drawing.
const chartFonts = ['16px Carlito', '160px Carlito', '12px "DejaVu Sans"'];
// The files of the faces, as page.css names them.
const faceFiles = {'Carlito': 'fonts/Carlito-Regular.ttf', 'DejaVu Sans': 'fonts/DejaVuSans.ttf'};

const longPressMilliseconds = 550;
const longPressSlop = 10;  // pixels a finger may wander during a long press

function valueBoxOf(slider) {
    return document.querySelector(`output[for="${slider.id}"]`);
}

function captionOf(slider) {
    return document.querySelector(`label[for="${slider.id}"]`);
}

// ---- The parameters in the address: #encounters=12&infection=8&... ----
// ---- and the ensemble's controls: &runs=100&change=30:encounters=4 ----

const defaultRuns = '100';

// The entry change=DAY:NAME=VALUE, as the tool's --change writes a change.
function changeFromText(text, table) {
    const [, day, parameter, value] = /^(\d+):([a-z]+)=(-?\d+)$/.exec(text.trim()) ?? [];
    if (!table.some(({name}) => name === parameter)) return null;
    return {day: Number(day), parameter, value: Number(value)};
}

// The values the address sets, the ensemble's controls it fills, and a
// note on each entry that does neither. The ensemble's values are checked
// when it is computed.
function parametersFromAddress(table) {
    const values = {};
    const refused = [];
    const ensemble = {};
    const hash = location.hash.replace(/^#/, '');
    if (hash === '') return {values, refused, ensemble};
    for (const [name, text] of new URLSearchParams(hash)) {
        const info = table.find((entry) => entry.name === name);
        if (name === 'runs' && /^\d+$/.test(text.trim())) {
            ensemble.runs = Number(text);
        } else if (name === 'change') {
            const change = changeFromText(text, table);
            if (change) ensemble.change = change;
            else refused.push(`change=${text} ist keine Maßnahme wie 30:encounters=4`);
        } else if (!info && name !== 'runs') {
            refused.push(`„${name}“ ist kein Parameter`);
        } else if (!/^-?\d+$/.test(text.trim())) {
            refused.push(`${name}=${text} ist keine ganze Zahl`);
        } else {
            const value = Number(text);
            if (value < info.min || value > info.max)
                refused.push(`${name}=${text} liegt nicht zwischen ${info.min} und ${info.max}`);
            else
                values[name] = value;
        }
    }
    return {values, refused, ensemble};
}

function showAddressNote(refused) {
    const note = byId('address-note');
    note.textContent = `Aus der Adresse übergangen: ${refused.join('; ')}. Dafür gilt der Standardwert.`;
    note.hidden = false;
}

// The sliders' values, then the ensemble's runs where they are not the
// default and its change where it is on.
function addressOf(parameters, table) {
    const entries = table.map(({name}) => `${name}=${parameters[name]}`);
    if (byId('runs').value !== defaultRuns) entries.push(`runs=${byId('runs').value}`);
    if (byId('change-on').checked) {
        const [day, parameter, value] = ['change-day', 'change-parameter', 'change-value'].map((id) => byId(id).value);
        entries.push(`change=${day}:${parameter}=${value}`);
    }
    return '#' + entries.join('&');
}

// ---- The page ----

class Page {
    constructor(module, table, faces, addressValues) {
        this.module = module;
        this.table = table;
        this.painter = new RecordingPainter(canvas, faces);
        // The address's values take the defaults' place before the first
        // run, so that a link shows the same run.
        this.window = new module.Window(this.painter, addressValues);
        this.ended = false;
        this.longPress = null;
        this.menuOpenedAt = 0;
        // The ensemble's worker while it computes, and the bands of the band chart shown.
        this.worker = null;
        this.bandCsv = null;
        this.bandReports = 0;
        this.fitCanvas();
        this.showRunDone();
        this.showStoredParameters();
    }

    stored() {
        return this.window.parameters();
    }

    writeAddress() {
        history.replaceState(history.state, '', addressOf(this.stored(), this.table));
    }

    // The sliders, value boxes and address after the stored values.
    showStoredParameters() {
        const parameters = this.stored();
        for (const slider of parameterSliders) {
            slider.value = String(parameters[slider.dataset.parameter]);
            valueBoxOf(slider).textContent = slider.value;
        }
        byId('HScroll1').value = String(parameters.days);
        valueBoxOf(byId('HScroll1')).textContent = String(parameters.days);
        this.writeAddress();
    }

    showRunDone() {
        byId('Text1').value = 'Berechnung fertig';
        byId('chart-description').textContent = this.window.description();
    }

    // Berechnen: the next run in place of a band, or of a band being computed.
    Command4_Click() {
        this.stopBand('');
        this.bandCsv = null;
        showList([]);
        this.window.compute();
        this.showRunDone();
    }

    // Default - Werte: stores the defaults, does not compute.
    Command5_Click() {
        this.window.resetParameters();
        this.showStoredParameters();
    }

    // Beenden: a page closes only a tab it opened itself; where it stays, it
    // says that it has ended.
    Command1_Click() {
        this.ended = true;
        this.closeMenu();
        window.close();
        this.stopBand('');
        for (const control of document.querySelectorAll('.window input, .window button, .chart-actions button, .ensemble input, .ensemble select, .ensemble button'))
            control.disabled = true;
        canvas.removeAttribute('tabindex');
        const ended = byId('ended');
        ended.hidden = false;
        byId('restart').focus();
    }

    // A slider's Scroll: the value box follows the thumb.
    scroll(slider) {
        valueBoxOf(slider).textContent = slider.value;
    }

    // A slider's Change: the value is stored for the next run.
    change(slider) {
        valueBoxOf(slider).textContent = slider.value;
        this.window.setParameter(slider.dataset.parameter, Number(slider.value));
        this.writeAddress();
    }

    // The read-out of the pointer over the chart, in chart pixels.
    Picture1_MouseMove(event) {
        if (this.ended) return;
        const box = canvas.getBoundingClientRect();
        const x = ((event.clientX - box.left) * chartWidth) / box.width;
        const y = ((event.clientY - box.top) * chartHeight) / box.height;
        const {position, percent, day} = this.window.readout(x, y);
        byId('Text1').value = position;
        byId('Text3').value = percent;
        byId('Text4').value = day;
    }

    // A backing store of one device pixel per screen pixel, so that the chart
    // is sharp at every size and on every screen.
    fitCanvas() {
        const box = canvas.getBoundingClientRect();
        if (box.width === 0) return;
        const scale = (box.width * window.devicePixelRatio) / chartWidth;
        const width = Math.round(chartWidth * scale);
        const height = Math.round(chartHeight * scale);
        if (width !== canvas.width || height !== canvas.height) this.painter.resize(width, height);
    }

    // ---- The chart's menu ----

    openMenu(clientX, clientY) {
        if (this.ended) return;
        menu.hidden = false;
        const room = menu.getBoundingClientRect();
        const left = Math.max(0, Math.min(clientX, window.innerWidth - room.width));
        const top = Math.max(0, Math.min(clientY, window.innerHeight - room.height));
        menu.style.left = `${left}px`;
        menu.style.top = `${top}px`;
        this.menuOpenedAt = performance.now();
        menu.querySelector('[role="menuitem"]').focus();
    }

    closeMenu(returnFocus = false) {
        if (menu.hidden) return;
        menu.hidden = true;
        if (returnFocus) canvas.focus();
    }

    menuKey(event) {
        const items = [...menu.querySelectorAll('[role="menuitem"]')];
        const at = items.indexOf(document.activeElement);
        if (event.key === 'Escape') {
            this.closeMenu(true);
        } else if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
            const step = event.key === 'ArrowDown' ? 1 : -1;
            items[(at + step + items.length) % items.length].focus();
        } else if (event.key === 'Home' || event.key === 'End') {
            items[event.key === 'Home' ? 0 : items.length - 1].focus();
        } else if (event.key === 'Tab') {
            this.closeMenu(true);
        } else {
            return;
        }
        event.preventDefault();
    }

    runMenuItem(action) {
        this.closeMenu(true);
        if (action === 'chart') this.saveChart();
        else if (action === 'course') this.saveCourse();
    }

    // The chart as PNG at one device pixel per pixel, whatever the screen.
    saveChart() {
        this.painter.imageAtRatioOne().toBlob((blob) => offerDownload(blob, 'pandemie.png'), 'image/png');
    }

    // The run's course, or the bands of the band chart shown, in the tool's columns.
    saveCourse() {
        const [text, fileName] = this.bandCsv ? [this.bandCsv, 'pandemie-baender.csv'] : [this.window.courseCsv(), 'pandemie.csv'];
        offerDownload(new Blob([text], {type: 'text/csv'}), fileName);
    }

    // ---- Many runs: the band of an ensemble, computed by a worker ----

    bandRequest() {
        const change = byId('change-on').checked
            ? {day: Number(byId('change-day').value), parameter: byId('change-parameter').value, value: Number(byId('change-value').value)}
            : null;
        return {parameters: this.stored(), runs: Number(byId('runs').value), change};
    }

    computeBand() {
        this.stopBand('');
        const progress = byId('band-progress');
        this.worker = new Worker('ensemble_worker.js');
        this.worker.onmessage = ({data}) => {
            if (data.kind === 'progress') {
                this.bandReports += 1;
                progress.max = data.total;
                progress.value = data.done;
                byId('band-status').textContent = `${data.done} von ${data.total} Läufen`;
            } else if (data.kind === 'done') {
                this.finishBand();
                this.showBand(data);
            } else {
                this.finishBand();
                byId('band-status').textContent = data.problem;
            }
        };
        this.worker.onerror = (event) => {
            this.finishBand();
            byId('band-status').textContent = `Fehler: ${event.message}`;
        };
        progress.value = 0;
        progress.hidden = false;
        byId('band-stop').hidden = false;
        byId('band-status').textContent = 'Die Läufe werden berechnet …';
        this.worker.postMessage(this.bandRequest());
    }

    showBand({request, courses, csv}) {
        showList(this.window.showBand(request, courses));
        this.bandCsv = csv;
        const runs = `${request.runs} Läufen`;
        byId('band-status').textContent = `Band aus ${runs} berechnet`;
        byId('Text1').value = 'Berechnung fertig';
        byId('chart-description').textContent = `Median und 10–90 % von ${runs} je Tag.`;
    }

    finishBand() {
        this.worker?.terminate();
        this.worker = null;
        byId('band-progress').hidden = true;
        // Focus does not vanish with the button that had it.
        if (document.activeElement === byId('band-stop')) byId('band').focus();
        byId('band-stop').hidden = true;
    }

    // Abbrechen, or a run or the end of the page in its place.
    stopBand(status) {
        if (!this.worker) return;
        this.finishBand();
        byId('band-status').textContent = status;
    }

    // The new value of a change offers its parameter's range; a choice of
    // another parameter brings the value into it.
    followChangeParameter(bringIntoRange = true) {
        const info = this.table.find(({name}) => name === byId('change-parameter').value);
        const value = byId('change-value');
        value.min = String(info.min);
        value.max = String(info.max);
        if (bringIntoRange) value.value = String(Math.min(info.max, Math.max(info.min, Number(value.value))));
    }

    // The ensemble's controls as the address fills them.
    showEnsembleFromAddress({runs, change}) {
        if (runs !== undefined) byId('runs').value = String(runs);
        if (change) {
            byId('change-on').checked = true;
            byId('change-day').value = String(change.day);
            byId('change-parameter').value = change.parameter;
            byId('change-value').value = String(change.value);
        }
        this.followChangeParameter(false);
        this.writeAddress();
    }

    // ---- Touch: a move feeds the read-out, a long press opens the menu ----

    touchStart(event) {
        this.cancelLongPress();
        const {clientX, clientY} = event;
        this.longPress = {
            x: clientX,
            y: clientY,
            timer: setTimeout(() => {
                this.longPress = null;
                this.openMenu(clientX, clientY);
            }, longPressMilliseconds),
        };
    }

    touchMove(event) {
        if (!this.longPress) return;
        if (Math.hypot(event.clientX - this.longPress.x, event.clientY - this.longPress.y) > longPressSlop)
            this.cancelLongPress();
    }

    cancelLongPress() {
        if (!this.longPress) return;
        clearTimeout(this.longPress.timer);
        this.longPress = null;
    }
}

// The names that find no free spot on the chart, in their colours.
function showList(entries) {
    byId('chart-list').replaceChildren(...entries.map(({text, colour}) => {
        const item = document.createElement('li');
        item.textContent = text;
        item.style.color = colour;
        return item;
    }));
}

function fillChangeParameters(table) {
    byId('change-parameter').replaceChildren(...table.map(({name, caption}) => new Option(caption, name)));
}

function offerDownload(blob, fileName) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = fileName;
    link.hidden = true;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// The window's keys on its sliders: left, up and page up one step towards
// the minimum, right, down and page down one towards the maximum, home and
// end to the ends. Each step is a Change, as in the window.
function keyedValue(slider, key) {
    const value = Number(slider.value);
    const steps = {
        ArrowLeft: value - 1, ArrowUp: value - 1, PageUp: value - 1,
        ArrowRight: value + 1, ArrowDown: value + 1, PageDown: value + 1,
        Home: Number(slider.min), End: Number(slider.max),
    };
    return steps[key];
}

function moveSlider(slider, value) {
    const before = slider.value;
    slider.value = String(value);  // the input clamps it to its range
    if (slider.value === before) return;
    slider.dispatchEvent(new Event('input', {bubbles: true}));
    slider.dispatchEvent(new Event('change', {bubbles: true}));
}

// The window's sliders HScroll2 to HScroll5 with their labels Label3 to
// Label10, one for each parameter of the table, in the window's tab order;
// the first caption has a white ground, as in the window.
function createSliders(table) {
    const template = byId('parameter-slider');
    const before = document.querySelector('.command-row');
    return table.map((info, i) => {
        const n = i + 2;
        const block = template.content.cloneNode(true);
        const [caption, valueBox, bar, slider] = ['label', 'output', '.hscroll', 'input'].map((s) => block.querySelector(s));
        caption.id = `Label${2 * n - 1}`;
        caption.htmlFor = slider.id = `HScroll${n}`;
        caption.classList.add(i === 0 ? 'white' : 'face');
        caption.textContent = info.caption;
        valueBox.id = `Label${2 * n}`;
        valueBox.htmlFor = slider.id;
        bar.id = `HScroll${n}-bar`;
        slider.dataset.parameter = info.name;
        slider.min = String(info.min);
        slider.max = String(info.max);
        slider.tabIndex = 3 + n;
        const range = document.createElement('p');
        range.id = `HScroll${n}-range`;
        range.textContent = `Schieberegler von ${info.min} bis ${info.max}`;
        document.querySelector('.descriptions').append(range);
        slider.setAttribute('aria-describedby', range.id);
        before.before(block);
        return slider;
    });
}

function connect(page) {
    for (const slider of parameterSliders) {
        slider.addEventListener('input', () => page.scroll(slider));
        slider.addEventListener('change', () => page.change(slider));
        slider.addEventListener('keydown', (event) => {
            const value = keyedValue(slider, event.key);
            if (value === undefined || event.altKey || event.ctrlKey || event.metaKey) return;
            event.preventDefault();
            moveSlider(slider, value);
        });
        const bar = slider.parentElement;
        bar.querySelector('.arrow.left').addEventListener('click', () => moveSlider(slider, Number(slider.value) - 1));
        bar.querySelector('.arrow.right').addEventListener('click', () => moveSlider(slider, Number(slider.value) + 1));
    }
    byId('Command1').addEventListener('click', () => page.Command1_Click());
    byId('Command4').addEventListener('click', () => page.Command4_Click());
    byId('Command5').addEventListener('click', () => page.Command5_Click());
    byId('save-chart').addEventListener('click', () => page.saveChart());
    byId('save-course').addEventListener('click', () => page.saveCourse());
    byId('restart').addEventListener('click', () => location.reload());
    byId('band').addEventListener('click', () => page.computeBand());
    byId('band-stop').addEventListener('click', () => page.stopBand('Abgebrochen'));
    byId('change-parameter').addEventListener('change', () => page.followChangeParameter());
    for (const id of ['runs', 'change-on', 'change-day', 'change-parameter', 'change-value'])
        byId(id).addEventListener('change', () => page.writeAddress());

    canvas.addEventListener('pointerdown', (event) => {
        if (event.pointerType !== 'mouse' || event.button === 0) canvas.setPointerCapture(event.pointerId);
        page.Picture1_MouseMove(event);
        if (event.pointerType === 'touch') page.touchStart(event);
    });
    canvas.addEventListener('pointermove', (event) => {
        page.Picture1_MouseMove(event);
        if (event.pointerType === 'touch') page.touchMove(event);
    });
    for (const type of ['pointerup', 'pointercancel']) canvas.addEventListener(type, () => page.cancelLongPress());
    canvas.addEventListener('contextmenu', (event) => {
        event.preventDefault();
        page.cancelLongPress();
        // A long press may bring both the browser's event and the page's own.
        if (!menu.hidden && performance.now() - page.menuOpenedAt < 1000) return;
        const box = canvas.getBoundingClientRect();
        const byKeyboard = event.clientX === 0 && event.clientY === 0;
        page.openMenu(byKeyboard ? box.left + 20 : event.clientX, byKeyboard ? box.top + 20 : event.clientY);
    });
    canvas.addEventListener('keydown', (event) => {
        if (event.key === 'F10' && event.shiftKey) {
            event.preventDefault();
            const box = canvas.getBoundingClientRect();
            page.openMenu(box.left + 20, box.top + 20);
        }
    });

    menu.addEventListener('keydown', (event) => page.menuKey(event));
    menu.addEventListener('click', (event) => {
        const item = event.target.closest('[role="menuitem"]');
        if (item) page.runMenuItem(item.dataset.action);
    });
    document.addEventListener('pointerdown', (event) => {
        if (!menu.hidden && !menu.contains(event.target)) page.closeMenu();
    });
    window.addEventListener('blur', () => page.closeMenu());

    new ResizeObserver(() => page.fitCanvas()).observe(canvas);
    // The device pixel ratio changes with the browser's zoom and between screens.
    const followRatio = () => {
        page.fitCanvas();
        matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', followRatio, {once: true});
    };
    followRatio();
}

function setEnabled(enabled) {
    for (const control of [...parameterSliders, ...commandButtons, ...ensembleControls]) control.disabled = !enabled;
    for (const arrow of document.querySelectorAll('.hscroll .arrow')) {
        arrow.disabled = !enabled || arrow.parentElement.querySelector('input').disabled;
    }
}

async function loadFaces() {
    const faces = new Map();
    for (const [family, file] of Object.entries(faceFiles)) {
        const response = await fetch(file);
        if (!response.ok) throw new Error(`${file}: ${response.status}`);
        faces.set(family, faceMetrics(await response.arrayBuffer()));
    }
    return faces;
}

async function start() {
    setEnabled(false);
    try {
        const [faces] = await Promise.all([loadFaces(), ...chartFonts.map((font) => document.fonts.load(font))]);
        const module = await createPandemie();
        const table = module.parameterTable();
        parameterSliders = createSliders(table);
        fillChangeParameters(table);
        const {values, refused, ensemble} = parametersFromAddress(table);
        const page = new Page(module, table, faces, values);
        performance.mark('pandemie-first-run-drawn');
        if (refused.length > 0) showAddressNote(refused);
        page.showEnsembleFromAddress(ensemble);
        connect(page);
        setEnabled(true);
        byId('Form1').setAttribute('aria-busy', 'false');
        // For the browser tests: the page's window and painter.
        window.pandemiePage = page;
        document.documentElement.dataset.state = 'ready';
    } catch (error) {
        const note = byId('load-error');
        note.textContent = `Das Programm konnte nicht geladen werden: ${error.message ?? error}`;
        note.hidden = false;
        document.documentElement.dataset.state = 'failed';
        throw error;
    }
}

// Keeps the page's files for offline use; browsers allow that only on
// localhost and over HTTPS.
function keepForOffline() {
    if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
    navigator.serviceWorker.register('offline.js').catch(() => {
        // The page works as before, only not offline.
    });
}

start();
keepForOffline();
