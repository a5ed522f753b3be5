// Reads new console output to screen readers: a polite live region of its
// own that takes what was printed in batches, at most one a second, rather
// than a character at a time. The switch "Announce console output" turns it
// off (remembered in this browser).
import type { Page } from './page';

const BatchMs = 1000;
const BatchKeep = 400; // characters of a batch read out: its end

export function initConsoleAnnouncer(page: Page) {
  const region = document.getElementById('consoleAnnounce')!;
  const on = document.getElementById('announceConsole') as HTMLInputElement;
  on.checked = localStorage.getItem('zar.announceConsole') !== 'off';
  on.addEventListener('change', () => {
    localStorage.setItem('zar.announceConsole', on.checked ? 'on' : 'off');
    pending = '';
  });
  let pending = '';
  let last = -BatchMs;
  let timer = 0;
  const announce = () => {
    timer = 0;
    last = performance.now();
    region.textContent = pending.slice(-BatchKeep);
    pending = '';
  };
  page.listen((r) => {
    // A console shown afresh (cleared, stepped back, a panel shown) is not news.
    if (r.type !== 'update' || !r.console || r.console.reset || !on.checked || !r.console.text) return;
    pending = (pending + r.console.text).slice(-BatchKeep);
    if (!timer) timer = window.setTimeout(announce, Math.max(0, last + BatchMs - performance.now()));
  });
}
