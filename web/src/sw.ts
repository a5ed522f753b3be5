// The service worker: after one visit the site starts with no network. It
// keeps every file of the site in a cache named by the build's version and
// answers from there; a new build (another version) fills its own cache on
// the next start, takes over and deletes the old one. The learner's files
// live in IndexedDB, which this worker never touches.
/// <reference lib="webworker" />
export {};

declare const SITE_VERSION: string;
declare const SITE_FILES: string[];
declare const self: ServiceWorkerGlobalScope;

const cacheName = `zar-site-${SITE_VERSION}`;
const index = new URL('index.html', self.registration.scope).href;

self.addEventListener('install', (e) => {
  e.waitUntil(
    (async () => {
      const cache = await caches.open(cacheName);
      // Past every cache on the way: the files of this very build.
      await Promise.all(
        SITE_FILES.map(async (f) => {
          const response = await fetch(`${f}?v=${SITE_VERSION}`, { cache: 'no-store' });
          if (!response.ok) throw new Error(`${f}: ${response.status}`);
          await cache.put(f, response);
        }),
      );
      await self.skipWaiting();
    })(),
  );
});

self.addEventListener('activate', (e) => {
  e.waitUntil(
    (async () => {
      for (const name of await caches.keys()) if (name.startsWith('zar-site-') && name !== cacheName) await caches.delete(name);
      await self.clients.claim();
    })(),
  );
});

async function answer(request: Request): Promise<Response> {
  const cache = await caches.open(cacheName);
  const url = new URL(request.url);
  // The site's folder itself is its index page.
  const key = request.mode === 'navigate' && url.href.split(/[?#]/)[0] === self.registration.scope ? index : request;
  const kept = await cache.match(key, { ignoreSearch: request.mode === 'navigate' });
  if (kept) return kept;
  try {
    return await fetch(request);
  } catch (error) {
    const page = request.mode === 'navigate' ? await cache.match(index) : undefined;
    if (page) return page;
    throw error;
  }
}

self.addEventListener('fetch', (e) => {
  if (e.request.method !== 'GET' || new URL(e.request.url).origin !== self.location.origin) return;
  e.respondWith(answer(e.request));
});
