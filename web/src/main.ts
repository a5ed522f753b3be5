// The front panel: a view of the worker's machine. Everything it shows that
// the core computes (the memory text, the instruction in words, the console's
// text, key codes of typed characters, files) comes from the worker.
import { initExercises } from './exercises/index';
import { initEditor } from './editor/editor';
import { download } from './files/download';
import { initFiles } from './files/index';
import { initLinks } from './links/index';
import { initConsoleAnnouncer } from './console_announcer';
import { initMemoryTable } from './memory_table';
import { initOffline } from './offline';
import { Page } from './page';
import { initNetwork } from './net/panel';
import type { Panel, Request, Update } from './protocol';

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;
const page = new Page(new Worker('worker.js'));
const send = (r: Request) => page.send(r);

const memory = new Uint8Array(256);
let ip = 0;
let breakpoints = new Set<number>();
const memCanvas = $<HTMLCanvasElement>('p1');
const memCtx = memCanvas.getContext('2d')!;
const screenCanvas = $<HTMLCanvasElement>('screen');
const screenCtx = screenCanvas.getContext('2d')!;
const historyCanvas = $<HTMLCanvasElement>('history');
const cbox = $('cbox');
let consoleText = '';
const ConsoleKeep = 1_010_000;

// The memory picture: 16 x 16 grey cells of 10 x 10 pixels, the IP, A, B and
// C cells outlined in their colours, breakpoints as magenta dots.
function drawMemory() {
  for (let i = 0; i < 256; ++i) {
    const v = memory[i];
    memCtx.fillStyle = `rgb(${v},${v},${v})`;
    memCtx.fillRect((i % 16) * 10, Math.floor(i / 16) * 10, 10, 10);
  }
  const marks: [number, string][] = [
    [ip, 'rgb(128,255,0)'],
    [memory[ip], 'rgb(255,0,0)'],
    [memory[(ip + 1) & 255], 'rgb(0,128,255)'],
    [memory[(ip + 2) & 255], 'rgb(255,255,0)'],
  ];
  memCtx.lineWidth = 1;
  for (const [cell, colour] of marks) {
    memCtx.strokeStyle = colour;
    memCtx.strokeRect((cell % 16) * 10 + 0.5, Math.floor(cell / 16) * 10 + 0.5, 9, 9);
  }
  memCtx.fillStyle = 'rgb(255,0,255)';
  for (const b of breakpoints) memCtx.fillRect((b % 16) * 10 + 4, Math.floor(b / 16) * 10 + 4, 3, 3);
}

// Scrolling to the end asks for the console's layout, which takes long for a
// long console: it waits for the next frame, once however many updates came.
let scrollDue = false;
function scrollConsole() {
  scrollDue = false;
  cbox.scrollTop = cbox.scrollHeight;
}
let consoleDropped = false;
function showConsole(part: NonNullable<Update['console']>) {
  consoleText = part.reset ? part.text : consoleText + part.text;
  consoleDropped = part.dropped || (consoleDropped && !part.reset) || consoleText.length > ConsoleKeep;
  if (consoleText.length > ConsoleKeep) consoleText = consoleText.slice(-ConsoleKeep);
  cbox.textContent = consoleText;
  if (!scrollDue) requestAnimationFrame(scrollConsole);
  scrollDue = true;
  $('dropped').hidden = !consoleDropped;
  document.body.dataset.consolePart = String(part.text.length);
}

function drawHistory(plot: Float64Array, label: string) {
  const ctx = historyCanvas.getContext('2d')!;
  const w = historyCanvas.width;
  const k = historyCanvas.height / 512;
  ctx.fillStyle = '#fff';
  ctx.fillRect(0, 0, w, historyCanvas.height);
  ctx.strokeStyle = '#000';
  ctx.beginPath();
  plot.forEach((y, i) => (i ? ctx.lineTo((i * w) / 512, y * k) : ctx.moveTo(0, y * k)));
  ctx.stroke();
  $('historyLabel').textContent = label;
}

function showUpdate(u: Update) {
  if (u.memory) {
    memory.set(u.memory);
    ip = u.ip ?? ip;
  }
  if (u.breakpoints) {
    breakpoints = new Set(u.breakpoints);
    $('breakpoints').textContent = [
      ...u.breakpoints.map((b) => `breakpoint ${b}`),
      ...(u.watches ?? []).map((w) => `watch ${w}`),
    ].join('\n');
  }
  if (u.memory || u.breakpoints) drawMemory();
  if (u.memoryText !== undefined) $('rtb1').textContent = u.memoryText.replaceAll('\r', '\n');
  if (u.console) showConsole(u.console);
  for (const r of u.screenRows ?? []) {
    screenCtx.putImageData(new ImageData(new Uint8ClampedArray(r.rgba.buffer), 256, r.rgba.length / 1024), 0, r.first);
  }
  if (u.history) drawHistory(u.history.plot, u.history.label);
  if (u.instruction !== undefined) $('instruction').textContent = u.instruction;
  if (u.depth !== undefined) $('depth').textContent = `Steps that can be undone: ${u.depth}`;
  $('state').textContent = `State: ${u.state}`;
  $('steps').textContent = `Steps: ${u.steps}   (${u.rate} steps/s)`;
  if (u.message) $('note').textContent = u.message;
  document.body.dataset.steps = String(u.steps);
  document.body.dataset.clock = String(u.clock);
  document.body.dataset.ip = String(ip);
  document.body.dataset.state = u.state;
  if (u.stopped) document.body.dataset.runs = String(Number(document.body.dataset.runs ?? 0) + 1);
}

// The file the learner loaded, until the core says whether it is a source:
// a source loaded is also kept and shown in the assembler, as every source opened.
let loading: { name: string; bytes: Uint8Array } | undefined;
page.listen((r) => {
  if (r.type === 'update') showUpdate(r);
  else if (r.type === 'loaded') {
    if (r.source && loading?.name === r.name) page.workspace.open(loading, 'load');
    loading = undefined;
  }
  else if (r.type === 'file') {
    (window as unknown as { lastFile: Uint8Array }).lastFile = r.bytes;
    download(r.name, r.bytes, r.mime);
  }
  else if (r.type === 'ready') {
    $('version').textContent = `Version : ${r.version}`;
    document.body.dataset.ready = '1';
  }
});

// Panels: the worker sends only what a shown panel needs.
function shownPanels(): Panel[] {
  const shown: Panel[] = ['memoryText'];
  for (const p of ['screen', 'history', 'debugger'] as const) if (!$(`panel-${p}`).hidden) shown.push(p);
  return shown;
}
function togglePanel(p: string) {
  const el = $(`panel-${p}`);
  el.hidden = !el.hidden;
  send({ type: 'show', panels: shownPanels() });
  if (!el.hidden) el.querySelector<HTMLElement>('button, input')?.focus();
}


const speed = $<HTMLInputElement>('Text1');
// The buttons, with the desktop's shortcuts and others for keys the browser
// keeps.
page.action('Command1', () => send({ type: 'start', interval: Number(speed.value) || 0 }));
page.action('Command2', () => send({ type: 'stop' }), 'Shift+F5', 'Alt+S');
page.action('Command3', () => send({ type: 'step' }), 'F10', 'Alt+T');
page.action('Command4', () => send({ type: 'clearConsole' }));
page.action('menld', () => $<HTMLInputElement>('file').click(), 'Ctrl+O', 'Alt+O');
page.action('mensav', () => send({ type: 'save' }), 'Ctrl+S');
page.action('resip', () => send({ type: 'reset' }));
page.action('fillNULL', () => send({ type: 'fill', pattern: 0 }));
page.action('fillup', () => send({ type: 'fill', pattern: 1 }));
page.action('filldown', () => send({ type: 'fill', pattern: 2 }));
page.action('fillrnd', () => send({ type: 'fill', pattern: 3 }));
page.action('msop', () => togglePanel('screen'));
page.action('mhist', () => togglePanel('history'));
page.action('mdbg', () => togglePanel('debugger'));
page.action('minf', () => page.modal($('about')));
page.action('mhelp', () => page.modal($('help')), 'F1');
page.action('savePicture', () => send({ type: 'savePicture' }));
page.action('stepBack', () => send({ type: 'stepBack', steps: 1 }), 'Shift+F10', 'Ctrl+F10', 'Alt+B');
page.action('runBack', () => send({ type: 'runBack' }));
page.action('fullSpeed', () => send({ type: 'fullSpeed' }), 'F5', 'Alt+F');
page.action('toggleBreak', () => send({ type: 'breakpoint', address: ip, on: !breakpoints.has(ip) }), 'F9');
speed.addEventListener('keydown', (e) => e.key === 'Enter' && page.run('Command1'));

$<HTMLInputElement>('file').addEventListener('change', async (e) => {
  const f = (e.target as HTMLInputElement).files?.[0];
  if (!f) return;
  const bytes = new Uint8Array(await f.arrayBuffer());
  loading = { name: f.name, bytes };
  send({ type: 'load', bytes, name: f.name });
  (e.target as HTMLInputElement).value = '';
});

// Cells and IP set in the Debugger: decimal or &H.
const number = (s: string) => (/^&H[0-9a-f]+$/i.test(s.trim()) ? parseInt(s.trim().slice(2), 16) : Number(s));
$('setCell').addEventListener('click', () => {
  const [c, v] = [number($<HTMLInputElement>('cell').value), number($<HTMLInputElement>('value').value)];
  if (c >= 0 && c <= 255 && v >= 0 && v <= 255) send({ type: 'setCell', cell: c, value: v });
});
$('setIP').addEventListener('click', () => {
  const v = number($<HTMLInputElement>('value').value);
  if (v >= 0 && v <= 252) send({ type: 'setIP', ip: v });
});
$('toggleWatch').addEventListener('click', () => {
  const c = number($<HTMLInputElement>('cell').value);
  if (c >= 0 && c <= 255) send({ type: 'watch', cell: c, on: !$('breakpoints').textContent!.includes(`watch ${c}\n`) });
});
memCanvas.addEventListener('contextmenu', (e) => {
  e.preventDefault();
  const r = memCanvas.getBoundingClientRect();
  const cell = Math.floor(((e.clientY - r.top) / r.height) * 16) * 16 + Math.floor(((e.clientX - r.left) / r.width) * 16);
  send({ type: 'breakpoint', address: cell, on: !breakpoints.has(cell) });
});

// The key field: every key goes to the machine while it has the focus, as
// the desktop's key code (the browser's keyCode is the same code set), but
// Tab and Shift+Tab, which leave it as they leave every other control.
const keyb = $('keyb');
const leaves = (e: KeyboardEvent) => e.key === 'Tab' && !e.ctrlKey && !e.altKey;
keyb.addEventListener('keydown', (e) => leaves(e) || e.preventDefault());
keyb.addEventListener('keyup', (e) => {
  if (leaves(e)) return;
  e.preventDefault();
  if (e.keyCode > 0 && e.keyCode < 255) send({ type: 'key', code: e.keyCode });
});
for (const b of document.querySelectorAll<HTMLButtonElement>('#keypad button')) {
  b.addEventListener('click', () => send({ type: 'keyOf', text: b.dataset.key ?? b.textContent! }));
}

document.addEventListener('keydown', (e) => {
  if (document.activeElement === keyb) return;
  const action = page.shortcut(e);
  if (!action) return;
  e.preventDefault();
  page.run(action);
});

// For the tests: the worker's requests, straight.
(window as unknown as { zar: (r: Request) => void }).zar = send;

// The screen canvas: 256 x 256 device pixels, shown crisp at any ratio.
function fitScreen() {
  const css = Math.max(1, Math.floor(devicePixelRatio * 1)) / devicePixelRatio;
  screenCanvas.style.width = screenCanvas.style.height = `${256 * css * Math.max(1, Math.round(devicePixelRatio))}px`;
}
fitScreen();
matchMedia(`(resolution: ${devicePixelRatio}dppx)`).addEventListener('change', fitScreen);
drawMemory();
initMemoryTable(page);
initConsoleAnnouncer(page);
initOffline();
send({ type: 'show', panels: shownPanels() });
initExercises(page);
initEditor(page);
initLinks(page, initFiles(page));
initNetwork(page);
