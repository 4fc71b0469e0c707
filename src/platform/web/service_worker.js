// The page's service worker: keeps one build's files in a cache named after the build, so the game starts
// without a network. The page asks for its files with ?b=<build>; another build's files come from the network.
const BUILD = '@BUILD@';
const FILES = {  // name: start of the SHA-256 of its content
  @FILES@
};
const SCOPE = self.registration.scope;
const PREFIX = `velk ${SCOPE} `;  // this installation's caches; others on the same site are not ours
const CACHE = PREFIX + BUILD;

async function sha256(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, (byte) => byte.toString(16).padStart(2, '0')).join('');
}

// All the build's files or none: a file the server has changed meanwhile fails the install.
async function fillCache() {
  const cache = await caches.open(CACHE);
  try {
    await Promise.all(Object.keys(FILES).map(async (name) => {
      const response = await fetch(`${name}?b=${BUILD}`, { cache: 'no-cache' });
      const hash = response.ok && await sha256(await response.clone().arrayBuffer());
      if (!hash || !hash.startsWith(FILES[name])) throw new Error(`${name} is not build ${BUILD}'s`);
      await cache.put(name, response);
    }));
  } catch (error) {
    await caches.delete(CACHE);
    throw error;
  }
}

self.addEventListener('install', (event) => {
  event.waitUntil(fillCache().then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith(PREFIX) && name !== CACHE)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

const fromCache = (name) => caches.open(CACHE).then((cache) => cache.match(name));

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || !request.url.startsWith(SCOPE)) return;
  const url = new URL(request.url);
  const name = url.pathname.slice(new URL(SCOPE).pathname.length) || 'index.html';
  // The page comes from the network while there is one, so one reload brings a new build whole.
  if (request.mode === 'navigate') {
    if (name !== 'index.html') return;
    event.respondWith(fetch(new Request(request, { cache: 'no-cache' }))
      .catch(() => fromCache(name).then((cached) => cached || Response.error())));
    return;
  }
  const build = url.searchParams.get('b');
  if (!FILES.hasOwnProperty(name) || (build !== null && build !== BUILD)) return;
  event.respondWith(fromCache(name).then((cached) => cached || fetch(request)));
});
