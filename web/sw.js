// Keeps the page and its module in the browser, so that the editor opens at the field with no
// network: every request of the page goes to the server first, and what it answered last is
// taken when the server cannot be reached. Nothing from another origin passes through here.
'use strict';

const CACHE = 'vn340-page';
// Everything the page needs to start, kept at once: the files a first visit loaded before this
// worker took over never passed through it. A file of the page missing here leaves the page
// unable to start offline; one missing on the server keeps the worker from installing at all.
const PAGE_FILES = [
  './',
  'index.html',
  'page.js',
  'dialogs.js',
  'files.js',
  'serial.js',
  'ftdi_usb.js',
  'usb_connect.js',
  'safety_net.js',
  'help_tips.js',
  'live.js',
  'statistics.js',
  'statistics.css',
  'page.css',
  'manifest.webmanifest',
  'icons/vn340.svg',
  'icons/vn340-128.png',
  'icons/vn340-256.png',
  'vn340.js',
  'vn340.wasm',
];

self.addEventListener('install', (event) => {
  event.waitUntil(
    caches.open(CACHE)
      .then((cache) => cache.addAll(PAGE_FILES))
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
        // Only a whole answer: a part of one (a range) cannot be kept.
        if (response.status === 200) {
          const copy = response.clone();
          event.waitUntil(caches.open(CACHE).then((cache) => cache.put(request, copy)));
        }
        return response;
      })
      .catch(() => caches.match(request, {ignoreSearch: true})
        .then((cached) => cached || Response.error())));
});
