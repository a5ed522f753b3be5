// The worker owns the page's one machine (the core in WebAssembly), answers
// the page's requests and sends what changed, at most 60 times a second.
import type { AssemblyReport, ExerciseInfo, Panel, Reply, Request, Update } from './protocol';
import { WorkerNet } from './net/worker_net';

declare function importScripts(url: string): void;
declare function createZarCore(): Promise<Core>;
type Fn = (...args: number[]) => number;
interface Core {
  HEAPU8: Uint8Array;
  HEAPF64: Float64Array;
  [name: string]: unknown;
}

const post = (reply: Reply, transfer: Transferable[] = []) =>
  (self as unknown as Worker).postMessage(reply, transfer);

importScripts('zar-core.js');
let core: Core;
let h = 0;
let ah = 0; // the assembler's handle
const fn = (name: string) => core[`_zar_${name}`] as Fn;
const malloc = (n: number) => (core._malloc as Fn)(n);
const free = (p: number) => (core._free as Fn)(p);
const utf8 = new TextDecoder();
const text = (pointer: number) => utf8.decode(core.HEAPU8.slice(pointer, pointer + fn('text_size')(h)));
const bytes = (pointer: number) => core.HEAPU8.slice(pointer, pointer + fn('text_size')(h));
// Calls f with a NUL-ended copy of data in the module's memory.
function withBytes<T>(data: Uint8Array, f: (pointer: number) => T): T {
  const p = malloc(data.length + 1);
  core.HEAPU8.set(data, p);
  core.HEAPU8[p + data.length] = 0;
  try {
    return f(p);
  } finally {
    free(p);
  }
}
const cString = (s: string) => new TextEncoder().encode(s);

enum Stop { StepLimit, Breakpoint, Watch, FixedPoint, Paused, Repeating }
let mode: 'stopped' | 'timer' | 'full' = 'stopped';
let interval = 50;
let timer = 0;
let waiting = false;
let paused = false;
let panels = new Set<Panel>();
let message: string | undefined;
let stoppedNow = false;

// What the page was last sent.
let sentMemory = new Uint8Array(257).fill(0);
let sentText = '';
let sentConsoleEnd = -1;
let sentClears = -1;
let sentInstruction = '';
let sentDepth = -1;
let sentDebug = '';
const sentRows = new Int32Array(256).fill(-1);
let rateSteps = 0;
let rateTime = performance.now();
let rate = 0;

// The core keeps the run's state and says the Debugger's state line.
function syncRun() {
  fn('set_run')(h, ['stopped', 'timer', 'full'].indexOf(mode), waiting ? 1 : 0, paused ? 1 : 0, interval);
}
function stateLine(): string {
  syncRun();
  return text(fn('state_text')(h));
}

function consolePart() {
  const end = fn('console_end')(h);
  const clears = fn('console_clears')(h);
  const begin = fn('console_begin')(h);
  const reset = clears !== sentClears || end < sentConsoleEnd || begin > sentConsoleEnd;
  if (!reset && end === sentConsoleEnd) return undefined;
  // The core sends no more than the page keeps: the last 1,010,000 shown.
  const cut = malloc(4);
  const t = text(fn('console')(h, reset ? 0 : sentConsoleEnd, cut));
  const dropped = fn('console_dropped')(h) !== 0 || core.HEAPU8[cut] !== 0;
  free(cut);
  sentConsoleEnd = end;
  sentClears = clears;
  return { reset, text: t, dropped };
}

function screenRows() {
  const rows: { first: number; rgba: Uint8Array }[] = [];
  for (let y = 0; y < 256; ) {
    if (fn('screen_row_version')(h, y) === sentRows[y]) {
      ++y;
      continue;
    }
    let end = y;
    while (end < 256 && fn('screen_row_version')(h, end) !== sentRows[end]) sentRows[end] = fn('screen_row_version')(h, end++);
    const p = fn('screen_rgba')(h, y, end - y);
    rows.push({ first: y, rgba: core.HEAPU8.slice(p, p + (end - y) * 1024) });
    y = end;
  }
  return rows.length ? rows : undefined;
}

function debugLists() {
  const breakpoints: number[] = [];
  const watches: number[] = [];
  for (let c = 0; c < 256; ++c) {
    if (fn('is_breakpoint')(h, c)) breakpoints.push(c);
    if (fn('is_watched')(h, c)) watches.push(c);
  }
  const key = `${breakpoints}|${watches}`;
  if (key === sentDebug) return {};
  sentDebug = key;
  return { breakpoints, watches };
}

function update(): Update {
  const now = performance.now();
  const steps = fn('steps')(h);
  if (steps < rateSteps) rateSteps = steps; // a load or fill counts afresh
  if (now - rateTime >= 500) {
    rate = Math.round(((steps - rateSteps) * 1000) / (now - rateTime));
    rateSteps = steps;
    rateTime = now;
  }
  const u: Update = { type: 'update', steps, clock: fn('clock')(h), state: stateLine(), rate };
  const p = fn('memory')(h);
  const memory = core.HEAPU8.slice(p, p + 256);
  const ip = fn('ip')(h);
  if (ip !== sentMemory[256] || memory.some((v, i) => v !== sentMemory[i])) {
    u.memory = memory;
    u.ip = ip;
    sentMemory = new Uint8Array([...memory, ip]);
    if (panels.has('memoryText')) u.memoryText = text(fn('memory_text')(h));
  }
  if (panels.has('memoryText') && sentText === '') sentText = u.memoryText = text(fn('memory_text')(h));
  u.console = consolePart();
  if (panels.has('screen')) u.screenRows = screenRows();
  if (panels.has('history')) {
    const out = malloc(513 * 8);
    fn('history_plot')(h, out);
    u.history = { plot: core.HEAPF64.slice(out / 8, out / 8 + 513), label: text(fn('text')(h)) };
    free(out);
  }
  if (panels.has('debugger')) {
    const instruction = text(fn('instruction_words')(h));
    if (instruction !== sentInstruction) u.instruction = sentInstruction = instruction;
    const depth = fn('record_depth')(h);
    if (depth !== sentDepth) u.depth = sentDepth = depth;
  }
  Object.assign(u, debugLists());
  u.stopped = stoppedNow;
  u.message = message;
  stoppedNow = false;
  message = undefined;
  return u;
}

// Updates go out at most 60 times a second.
let lastFlush = 0;
let flushTimer = 0;
function changed() {
  if (flushTimer) return;
  flushTimer = setTimeout(flush, Math.max(0, lastFlush + 1000 / 60 - performance.now())) as unknown as number;
}
function flush() {
  flushTimer = 0;
  lastFlush = performance.now();
  const u = update();
  post(u, [u.memory?.buffer, ...(u.screenRows ?? []).map((r) => r.rgba.buffer)].filter((b) => b) as Transferable[]);
}

function stopWith(reason: number) {
  if (reason === Stop.Breakpoint || reason === Stop.Watch) halt();
  fn('stopped')(h);
}
function halt() {
  if (mode === 'stopped') return;
  mode = 'stopped';
  waiting = false;
  clearInterval(timer);
  stoppedNow = true;
  syncRun();
}

// Full speed: slices of about 8 ms between the page's messages.
const channel = new MessageChannel();
let slice = 20000;
channel.port1.onmessage = () => fullSpeedSlice();
function fullSpeedSlice() {
  if (mode !== 'full' || waiting || paused) return;
  const t0 = performance.now();
  const reason = fn('run_slice')(h, slice);
  net.pump();
  const spent = performance.now() - t0;
  slice = Math.max(1000, Math.min(5_000_000, Math.round(slice * (spent > 0 ? 8 / spent : 2))));
  if (reason === Stop.FixedPoint || reason === Stop.Repeating) waiting = true;
  else if (reason !== Stop.StepLimit) stopWith(reason);
  changed();
  if (mode === 'full' && !waiting) channel.port2.postMessage(0);
}
// An input may have changed the machine: a run waiting at a fixed point goes on.
function input() {
  if (!waiting) return;
  waiting = false;
  channel.port2.postMessage(0);
}

function tick() {
  if (paused) return;
  const reason = fn('run')(h, 1);
  net.pump();
  if (reason === Stop.Breakpoint || reason === Stop.Watch) stopWith(reason);
  changed();
}

function back(steps: number) {
  halt();
  fn('step_back')(h, steps);
}

// The exercise open, read by the core. Opening one fetches and decodes the
// pictures it expects (the browser decodes them; the core takes RGB): checks
// and case loads asked for meanwhile wait for it.
let exercise = 0;
let opening: Promise<void> = Promise.resolve();
let opens = 0;
const waitingForOpen: (() => void)[] = [];
function afterOpen(f: () => void) {
  if (opens === 0) f();
  else waitingForOpen.push(f);
}

// A picture as 256 x 256 RGB bytes, alpha over black as the core reads one.
async function pictureRgb(url: string): Promise<Uint8Array> {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
  const bitmap = await createImageBitmap(await response.blob(), { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  if (bitmap.width !== 256 || bitmap.height !== 256) {
    throw new Error(`the picture is ${bitmap.width} x ${bitmap.height}, the screen 256 x 256`);
  }
  const ctx = new OffscreenCanvas(256, 256).getContext('2d', { willReadFrequently: true })!;
  ctx.fillStyle = '#000';
  ctx.fillRect(0, 0, 256, 256);
  ctx.drawImage(bitmap, 0, 0);
  const rgba = ctx.getImageData(0, 0, 256, 256).data;
  const rgb = new Uint8Array(256 * 256 * 3);
  for (let i = 0, o = 0; i < rgba.length; i += 4, o += 3) rgb.set(rgba.subarray(i, i + 3), o);
  return rgb;
}

// The exercise open before stays open when the new one is refused.
async function openExercise(json: Uint8Array, base: string) {
  const read = withBytes(json, (p) => fn('exercise_read')(h, p, json.length));
  const said = text(fn('text')(h));
  if (!read) return post({ type: 'exercise', error: said });
  const info = JSON.parse(said) as ExerciseInfo;
  for (const name of info.missingScreens) {
    try {
      const rgb = await pictureRgb(new URL(name, new URL(base, self.location.href)).href);
      withBytes(rgb, (p) => withBytes(cString(name), (n) => fn('exercise_screen')(read, n, p, rgb.length)));
    } catch (e) {
      fn('exercise_free')(read);
      return post({ type: 'exercise', error: `/cases: cannot read the picture "${name}": ${(e as Error).message}` });
    }
  }
  if (exercise) fn('exercise_free')(exercise);
  exercise = read;
  info.missingScreens = [];
  post({ type: 'exercise', info });
}

const handlers: { [K in Request['type']]: (r: Extract<Request, { type: K }>) => void } = {
  load: (r) => {
    halt();
    const kind = withBytes(r.bytes, (p) => withBytes(cString(r.name), (n) => fn('load')(h, p, r.bytes.length, n)));
    message = text(fn('text')(h)) || undefined;
    if (kind !== 2) message = (message ?? '') + 'Breakpoints and watches were cleared by the load.';
    lineBreakpointsCleared();
    post({ type: 'loaded', name: r.name, source: kind !== 0 });
  },
  reset: () => {
    halt();
    fn('reset')(h);
  },
  fill: (r) => {
    fn('fill')(h, r.pattern);
    input();
  },
  start: (r) => {
    halt();
    interval = r.interval;
    if (interval <= 0) return;
    mode = 'timer';
    syncRun();
    timer = setInterval(tick, interval) as unknown as number;
  },
  fullSpeed: () => {
    halt();
    mode = 'full';
    syncRun();
    channel.port2.postMessage(0);
  },
  stop: () => halt(),
  step: () => {
    halt();
    stopWith(fn('run')(h, 1));
  },
  run: (r) => {
    halt();
    stopWith(fn('run')(h, r.steps));
    stoppedNow = true;
  },
  stepBack: (r) => back(r.steps),
  runBack: () => {
    halt();
    fn('run_back')(h);
  },
  setCell: (r) => {
    fn('set_cell')(h, r.cell, r.value);
    input();
  },
  setIP: (r) => {
    fn('set_ip')(h, r.ip);
    input();
  },
  key: (r) => {
    fn('key')(h, r.code); // the core's key queue: a key never overwrites one unread at full speed
    input();
  },
  keyOf: (r) => {
    const code = fn('key_code_of')(r.text.charCodeAt(0));
    if (code) handlers.key({ type: 'key', code });
  },
  // A run waiting at a fixed point or a repeat goes on to the inputs' steps.
  inputs: (r) => {
    if (withBytes(r.text, (p) => fn('set_inputs')(h, p, r.keys ? 1 : 0))) input();
    else message = text(fn('text')(h));
  },
  breakpoint: (r) => fn('set_breakpoint')(h, r.address, r.on ? 1 : 0),
  watch: (r) => fn('set_watch')(h, r.cell, r.on ? 1 : 0),
  clearConsole: () => fn('console_clear')(h),
  pause: (r) => {
    paused = r.paused;
    if (!paused && mode === 'full') channel.port2.postMessage(0);
  },
  show: (r) => {
    panels = new Set(r.panels);
    fn('record_history')(h, panels.has('history') ? 1 : 0);
    sentRows.fill(-1);
    sentText = '';
    sentInstruction = '';
    sentDepth = -1;
  },
  save: () => post({ type: 'file', name: 'memory.oisc', bytes: bytes(fn('program_file')(h)), mime: 'text/plain' }),
  savePicture: () => post({ type: 'file', name: 'screen.png', bytes: bytes(fn('screen_png')(h)), mime: 'image/png' }),
  exerciseOpen: (r) => {
    ++opens;
    opening = opening.then(() => openExercise(r.json, r.base)).finally(() => {
      if (--opens > 0) return;
      for (const f of waitingForOpen.splice(0)) f();
      changed();
    });
  },
  exerciseCheck: (r) =>
    afterOpen(() => {
      if (!exercise) return post({ type: 'grade', error: 'Open an exercise first.' });
      const graded = withBytes(r.bytes, (p) =>
        withBytes(cString(r.name), (n) => fn('exercise_check')(h, exercise, p, r.bytes.length, n)));
      const said = text(fn('text')(h));
      post(graded ? { type: 'grade', report: JSON.parse(said) } : { type: 'grade', error: said });
    }),
  exerciseLoadCase: (r) =>
    afterOpen(() => {
      halt();
      const ok = exercise !== 0 && fn('exercise_load_case')(h, exercise, r.index) !== 0;
      if (ok) {
        message = 'The case was loaded into the machine: step it with the Debugger. Breakpoints and watches were cleared by the load.';
        lineBreakpointsCleared();
      }
      post({ type: 'caseLoaded', index: r.index, ok });
    }),
  assemble: (r) => {
    if (r.mode !== 0) halt();
    setLineBreakpoints(r.lines);
    const json = withBytes(r.bytes, (p) =>
      text(fn('asm_generate')(ah, h, p, r.bytes.length, r.mode, r.debug ? 1 : 0, r.sourceInListing ? 1 : 0)),
    );
    const report = JSON.parse(json) as AssemblyReport;
    post({ type: 'assembly', command: 'generate', report });
    if (r.mode === 2 && report.generated) handlers.start({ type: 'start', interval: r.interval });
  },
  scan: (r) => {
    const json = withBytes(r.bytes, (p) => text(fn('asm_scan')(ah, h, p, r.bytes.length)));
    post({ type: 'assembly', command: 'scan', report: JSON.parse(json) as AssemblyReport });
  },
  lineBreakpoints: (r) => setLineBreakpoints(r.lines),
  netRoute: (r) => net.handle(r),
  peerConnect: (r) => net.handle(r),
  peerClose: (r) => net.handle(r),
  peerSend: (r) => net.handle(r),
  engine: (r) => fn('set_engine')(h, r.compiled ? 1 : 0),
};

// The network device's route (web/src/net/).
let net: WorkerNet;

function setLineBreakpoints(lines: number[]) {
  withBytes(new Uint8Array(Int32Array.from(lines).buffer), (p) => fn('asm_set_lines')(ah, h, p, lines.length));
}
function lineBreakpointsCleared() {
  fn('asm_forget_lines')(ah);
  post({ type: 'lineBreakpointsCleared' });
}

const queued: Request[] = [];
function handle(r: Request) {
  (handlers[r.type] as (q: Request) => void)(r);
  net.pump();
  changed();
}
self.onmessage = (e: MessageEvent<Request>) => (h ? handle(e.data) : queued.push(e.data));
createZarCore().then((c) => {
  core = c;
  h = fn('create')();
  ah = fn('asm_create')();
  net = new WorkerNet({ call: (name, ...args) => fn(name)(h, ...args), text, bytes, withBytes }, post, input);
  post({ type: 'ready', version: text(fn('version')(h)) });
  queued.splice(0).forEach(handle);
  changed();
});
