// The page's figures: the size of its code compressed, the time from opening
// it on localhost until its first run is drawn, and what a press of
// "Berechnen" costs in the page against the native window's press and the
// native model's run. Nothing is judged; the figures are printed.
//   tests/web/node.sh bench/web_bench.mjs PAGE_DIR BUILD_DIR [--short]
// PAGE_DIR is web/build.sh's folder, BUILD_DIR the native build with bench/.

import {chromium} from '../tests/web/node_modules/playwright-core/index.mjs';
import {chromiumArgs, serve} from '../tests/web/serve.mjs';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const [pageDirArgument, buildDir, mode] = process.argv.slice(2);
const pageDir = path.resolve(pageDirArgument);
const short = mode === '--short';
const openings = short ? 1 : 7;
const presses = short ? 5 : 200;
const ensembleRuns = short ? 10 : 1000;

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// The page's own files and its module, without the fonts.
function codeSize() {
    let raw = 0;
    let gzip = 0;
    let brotli = 0;
    for (const name of fs.readdirSync(pageDir)) {
        const file = path.join(pageDir, name);
        if (!fs.statSync(file).isFile()) continue;
        const contents = fs.readFileSync(file);
        raw += contents.length;
        gzip += zlib.gzipSync(contents, {level: 9}).length;
        brotli += zlib.brotliCompressSync(contents).length;
    }
    return {raw, gzip, brotli};
}

// Milliseconds per iteration of one native benchmark.
function nativeMilliseconds(program, filter) {
    const output = execFileSync(path.join(buildDir, 'bench', program),
        [`--benchmark_filter=${filter}`, '--benchmark_format=json', `--benchmark_min_time=${short ? 0.01 : 1}`],
        {env: {...process.env, QT_QPA_PLATFORM: 'offscreen'}, stdio: ['ignore', 'pipe', 'ignore']});
    const [result] = JSON.parse(output.toString()).benchmarks;
    const perUnit = {ns: 1e-6, us: 1e-3, ms: 1, s: 1e3}[result.time_unit];
    return result.real_time * perUnit;
}

async function main() {
    const server = await serve(pageDir);
    const base = `http://127.0.0.1:${server.address().port}`;
    const browser = await chromium.launch({executablePath: '/usr/bin/chromium', args: chromiumArgs});

    // Each opening in a context of its own: nothing kept from the one before.
    const firstDrawn = [];
    for (let i = 0; i < openings; ++i) {
        const context = await browser.newContext({serviceWorkers: 'block'});
        const page = await context.newPage();
        await page.goto(`${base}/index.html`);
        await page.waitForSelector('html[data-state="ready"]', {timeout: 30000});
        firstDrawn.push(await page.evaluate(
            () => performance.getEntriesByName('pandemie-first-run-drawn')[0].startTime));
        await context.close();
    }

    const context = await browser.newContext();
    const page = await context.newPage();
    await page.goto(`${base}/index.html`);
    await page.waitForSelector('html[data-state="ready"]', {timeout: 30000});
    const [pagePress, pageRun] = await page.evaluate((count) => {
        const perPress = (window) => {
            const start = performance.now();
            for (let i = 0; i < count; ++i) window.compute();
            return (performance.now() - start) / count;
        };
        // The run alone: a window whose painter draws nothing.
        const nowhere = {
            clear() {}, line() {}, outline() {}, fill() {}, text() {}, refresh() {},
            metrics: () => ({ascent: 12, height: 15}),
        };
        const page = globalThis.pandemiePage;
        const unseen = new page.module.Window(nowhere, {});
        const times = [perPress(page.window), perPress(unseen)];
        unseen.delete();
        return times;
    }, presses);
    // An ensemble in the worker, from the click to its band chart drawn.
    await page.fill('#runs', String(ensembleRuns));
    const bandStarted = await page.evaluate(() => performance.now());
    await page.click('#band');
    await page.waitForSelector('#band-progress', {state: 'hidden', timeout: 600000});
    const bandMilliseconds = (await page.evaluate(() => performance.now())) - bandStarted;
    await browser.close();
    server.close();

    const nativeRun = nativeMilliseconds('model_bench', '^BM_DefaultRun$');
    const windowPress = nativeMilliseconds('window_bench', '^BM_BerechnenClickToRepaintedChart$');
    const size = codeSize();
    const kilobytes = (bytes) => (bytes / 1024).toFixed(1);
    console.log(`page code (without fonts): ${kilobytes(size.raw)} KB, ${kilobytes(size.gzip)} KB gzip -9, ` +
                `${kilobytes(size.brotli)} KB brotli (limit 300 KB compressed)`);
    console.log(`first run drawn after opening: median ${median(firstDrawn).toFixed(0)} ms of ${openings} ` +
                `openings (limit 1000 ms)`);
    console.log(`the page (${presses} presses): a run ${pageRun.toFixed(2)} ms, a press of Berechnen with its ` +
                `drawing ${pagePress.toFixed(2)} ms`);
    console.log(`an ensemble of ${ensembleRuns} runs in the worker with its band chart: ` +
                `${(bandMilliseconds / 1000).toFixed(2)} s, ${(bandMilliseconds / ensembleRuns).toFixed(2)} ms a run`);
    console.log(`native: a run ${nativeRun.toFixed(2)} ms, the window's press ${windowPress.toFixed(2)} ms`);
    console.log(`page / native: a run ${(pageRun / nativeRun).toFixed(2)} (limit 2), ` +
                `a press ${(pagePress / windowPress).toFixed(2)}`);
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
