// The page's service worker, filled in by web/site.sh: it keeps one build's
// files (the page, the script, the wasm, the data, the icons) in a cache named
// after that build, so the game starts with no network after the first visit.
// The page itself is asked of the network first, so a new build is loaded as
// soon as it is served; its files carry their content's hash in their names,
// so an old page never meets a new wasm or the other way round. A new build
// brings a new worker, which fills its own cache and drops the old ones.
'use strict';
const cacheName = 'brastor-@VERSION@';
// The page is kept under the folder's address, where the browser has it
// from the visit that started the worker.
const pageAddress = './';
const files = [@FILES@].map((file) => (file === 'index.html' ? pageAddress : file));
// Named after their content: a copy in the browser's cache is this build's.
const hashed = new Set([@HASHED@]);
// How long a connected but silent network may keep the player from the
// cached page.
const networkWaitMs = 2500;

// The page registers the worker once the game has started, so its files are
// in the browser's cache: the hashed ones are taken from there as they are,
// the others only after the server confirms them (a short "not modified"
// when they are the same), so each file crosses the network once.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName)
    .then((cache) => cache.addAll(files.map((file) =>
      new Request(file, { cache: hashed.has(file) ? 'force-cache' : 'no-cache' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('brastor-') && name !== cacheName)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The page from the network when it answers in time, else the cached one;
// with nothing cached, whatever the network gives.
async function page(request) {
  const stop = new AbortController();
  const network = fetch(request.url, { cache: 'no-cache', credentials: 'same-origin', signal: stop.signal });
  network.catch(() => {});  // an answer given up on is no error
  let timer;
  const late = new Promise((resolve) => { timer = setTimeout(resolve, networkWaitMs, null); });
  try {
    const answer = await Promise.race([network, late]);
    if (answer && answer.ok) return answer;
  } catch (error) {
    // no network: the cached page below
  } finally {
    clearTimeout(timer);
  }
  // Another page of the site (the level studio) is its own cached copy.
  const cached = await caches.match(request.url, { cacheName, ignoreSearch: true }) ||
    await caches.match(pageAddress, { cacheName });
  if (!cached) return network;
  stop.abort();
  return cached;
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  if (request.mode === 'navigate') {
    event.respondWith(page(request));
    return;
  }
  event.respondWith(caches.match(request, { cacheName }).then((cached) => cached || fetch(request)));
});
