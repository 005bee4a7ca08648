// The page's service worker, filled in by web/site.sh: it keeps one build's
// files (the page, the script, the wasm, the data, the icons) in a cache named
// after that build, so the game starts with no network after the first visit.
// The page itself is asked of the network first, so a new build is loaded as
// soon as it is served; its files carry their content's hash in their names,
// so an old page never meets a new wasm or the other way round. A new build
// brings a new worker, which fills its own cache and drops the old ones.
'use strict';
const cacheName = 'brastor-@VERSION@';
const files = [@FILES@];

self.addEventListener('install', (event) => {
  // Past the browser's HTTP cache: the page there may be an older build's.
  event.waitUntil(caches.open(cacheName)
    .then((cache) => cache.addAll(files.map((file) => new Request(file, { cache: 'reload' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('brastor-') && name !== cacheName)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  if (request.mode === 'navigate') {
    event.respondWith(fetch(request.url, { cache: 'no-cache', credentials: 'same-origin' })
      .catch(() => caches.match(request.url, { cacheName, ignoreSearch: true })
        .then((page) => page || caches.match('index.html', { cacheName }))));
    return;
  }
  event.respondWith(caches.match(request, { cacheName }).then((cached) => cached || fetch(request)));
});
