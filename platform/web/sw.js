'use strict';
// The page's service worker: it keeps every file of the site in a cache named by their content,
// so that a second visit plays with the network gone. A new build has another name; it is
// installed on the next visit and the old cache is deleted. tools/web/site.mjs fills in the name
// and the files.
const cacheName = `quen-${/*@VERSION@*/'unbuilt'}`;
const files = /*@FILES@*/[];

self.addEventListener('install', event => {
  // Each file on its own: a file missing from the site leaves the rest kept.
  event.waitUntil(caches.open(cacheName)
    .then(cache => Promise.all(files.map(file => cache.add(new Request(file, { cache: 'no-cache' })).catch(() => {}))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', event => {
  event.waitUntil(caches.keys()
    .then(names => Promise.all(names.filter(name => name.startsWith('quen-') && name !== cacheName)
      .map(name => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The site's own files from the cache (the page's query and fragment do not matter), anything
// else from the network.
self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin)
    return;
  event.respondWith(caches.open(cacheName)
    .then(cache => cache.match(request, { ignoreSearch: true }))
    .then(kept => kept || fetch(request)));
});
