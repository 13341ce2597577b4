// The page's service worker: every file of the page is kept when the page is
// first opened, and each request goes to the server first and to the kept
// copy only when the server cannot be reached, so that the page works
// offline once loaded and never shows an old copy while online.
'use strict';

const keptFiles = 'pandemie-page';
const pageFiles = [
    './', 'index.html', 'page.css', 'page.js', 'painter.js', 'ensemble_worker.js', 'pandemie.js',
    'pandemie.wasm',
    'fonts/Carlito-Regular.ttf', 'fonts/DejaVuSans.ttf',
];

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(keptFiles).then((cache) => cache.addAll(pageFiles)));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
    event.respondWith((async () => {
        const cache = await caches.open(keptFiles);
        try {
            const response = await fetch(request);
            if (response.ok) await cache.put(request, response.clone());
            return response;
        } catch (unreachable) {
            const kept = await cache.match(request, {ignoreSearch: true});
            if (kept) return kept;
            throw unreachable;
        }
    })());
});
