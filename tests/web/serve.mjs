// The page's folder served on 127.0.0.1, and Chromium's arguments for a
// machine without a network: the browser checks and the benchmark share them.

import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const mimeTypes = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.mjs': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.wasm': 'application/wasm',
    '.ttf': 'font/ttf',
    '.png': 'image/png',
    '.json': 'application/json',
    '.txt': 'text/plain; charset=utf-8',
};

// A server of root on a free port of 127.0.0.1; its files only, never the
// files beside it.
export function serve(root) {
    const server = http.createServer((request, response) => {
        const urlPath = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
        const file = path.join(root, path.normalize(urlPath.endsWith('/') ? urlPath + 'index.html' : urlPath));
        if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            response.writeHead(404, {'Content-Type': 'text/plain'});
            response.end('not found');
            return;
        }
        const type = mimeTypes[path.extname(file)] ?? 'application/octet-stream';
        response.writeHead(200, {'Content-Type': type, 'Cache-Control': 'no-store'});
        fs.createReadStream(file).pipe(response);
    });
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Without the background-networking switches Chromium would try hosts the
// machine cannot reach.
export const chromiumArgs = [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
];
