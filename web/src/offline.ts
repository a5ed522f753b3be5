// The site works offline once visited: its service worker (sw.js) keeps
// every file. Browsers allow one only in a secure context: HTTPS, or
// 127.0.0.1 and localhost.
export function initOffline() {
  if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
  const controlled = () => {
    if (navigator.serviceWorker.controller) document.body.dataset.offline = 'ready';
  };
  // A new version took over from the one that served this page.
  const updating = navigator.serviceWorker.controller !== null;
  navigator.serviceWorker.addEventListener('controllerchange', () => {
    controlled();
    if (updating) document.getElementById('newVersion')!.hidden = false;
  });
  controlled();
  // Each start asks for the site's service worker anew, so that a new build
  // is found at this start and takes over at the next one.
  navigator.serviceWorker
    .register('sw.js')
    .then((registration) => registration.update())
    .catch(() => undefined);
}
