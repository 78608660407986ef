// Keeps the page and its module in the browser, so that the editor opens at the field with no
// network: every request of the page goes to the server first, and what it answered last is
// taken when the server cannot be reached. Nothing from another origin passes through here.
'use strict';

const CACHE = 'vn340-page';

self.addEventListener('install', (event) => {
  event.waitUntil(
    caches.open(CACHE)
      .then((cache) => cache.addAll(['./', 'vn340.js', 'vn340.wasm']))
      .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) {
    return;
  }
  event.respondWith(
    fetch(request)
      .then((response) => {
        if (response.ok) {
          const copy = response.clone();
          event.waitUntil(caches.open(CACHE).then((cache) => cache.put(request, copy)));
        }
        return response;
      })
      .catch(() => caches.match(request, {ignoreSearch: true})
        .then((cached) => cached || Response.error())));
});
