// The network device in the worker: the route the page chose, the core's
// socket's requests handed to it after every slice of steps, and the route's
// events handed back to the core between slices. What the device does with
// them (which byte reaches the data cell, what a connect or a close means)
// is the core's; this only carries them.
import type { NetReply, NetRequest, NetRoute } from '../protocol';
import { BridgeRoute } from './bridge';
import type { Route, RouteEvents } from './route';
import { TabsRoute } from './tabs';

// What the worker lends: the core's calls, its last text, bytes copied in.
export interface NetCore {
  call(name: string, ...args: number[]): number;
  text(pointer: number): string;
  bytes(pointer: number): Uint8Array;
  withBytes<T>(data: Uint8Array, f: (pointer: number) => T): T;
}

const clock = () => new Date().toTimeString().slice(0, 8) + '.' + String(Date.now() % 1000).padStart(3, '0');
const nul = (s: string) => new TextEncoder().encode(s);

// The peer panel as a route: the learner's connect, chunks and close come as
// the page's requests; the machine's bytes go to the panel.
class PeerRoute implements Route {
  use = 0;
  sent: number[] = [];
  connect(use: number) {
    this.use = use;
  }
  listen(use: number) {
    this.use = use;
  }
  send(use: number, bytes: Uint8Array) {
    if (use !== this.use) return;
    for (const b of bytes) this.sent.push(b);
    if (this.sent.length > 65536) this.sent.splice(0, this.sent.length - 65536);
  }
  close() {}
  dispose() {}
}

const NetNotes: Record<NetRoute, string> = {
  off: 'Off: the device is an offline socket; connects and listens do nothing, bytes sent are lost.',
  peer: 'The peer panel: you are the other end. Connect reaches a program that listens or connects.',
  tabs: 'Other tabs of this site: a program that listens on a port here is reached from another tab at 127.0.0.1 and that port, and the other way round.',
  bridge: 'The bridge to TCP at ',
};

const RouteNames: Record<NetRoute, string> = {
  off: 'nowhere', peer: 'the peer panel', tabs: 'other tabs', bridge: 'the bridge',
};

export class WorkerNet implements RouteEvents {
  private route: NetRoute = 'off';
  private via?: Route;
  private peer?: PeerRoute;
  private note = NetNotes.off;
  private log: string[] = [];
  private error?: string;
  private shown = '';
  private timer = 0;

  constructor(
    private readonly core: NetCore,
    private readonly post: (r: NetReply) => void,
    private readonly wake: () => void,
  ) {}

  handle(r: NetRequest) {
    if (r.type === 'netRoute') this.choose(r.route, r.bridge.trim(), r.token.trim());
    else if (this.route !== 'peer' || !this.peer) this.log.push(`${clock()} the peer panel is not the socket's route`);
    else if (r.type === 'peerConnect') this.connected(this.peer.use, 'the peer panel');
    else if (r.type === 'peerClose') this.closed(this.peer.use);
    else this.peerSend(r.text, r.asBytes);
    this.changed();
  }

  // After a slice of steps: the socket's requests go to the route, and at
  // most 60 times a second what changed to the page.
  pump() {
    if (!this.via) return;
    const lines = this.core.text(this.core.call('net_requests')).split('\n');
    for (const line of lines) {
      const [kind, use, ...rest] = line.split(' ');
      const n = Number(use);
      if (kind === 'connect') this.via.connect(n, rest[1], Number(rest[0]));
      else if (kind === 'listen') this.via.listen(n, Number(rest[0]));
      else if (kind === 'send') this.via.send(n, Uint8Array.from(rest.map(Number)));
      else if (kind === 'close') this.via.close(n);
    }
    this.changed(); // the core may have logged what needed no request (a byte dropped)
  }

  connected(use: number, peer: string) {
    this.core.withBytes(nul(peer), (p) => this.core.call('net_connected', use, p));
    this.event();
  }
  arrived(use: number, chunk: Uint8Array) {
    this.core.withBytes(chunk, (p) => this.core.call('net_arrived', use, p, chunk.length));
    this.event();
  }
  closed(use: number) {
    this.core.call('net_closed', use);
    this.event();
  }
  failed(use: number, description: string, box: boolean) {
    const taken = this.core.withBytes(nul(description), (p) => this.core.call('net_failed', use, p));
    if (taken && box) this.error = description;
    this.event();
  }

  private event() {
    this.wake();
    this.changed();
  }

  private choose(route: NetRoute, bridge: string, token: string) {
    this.via?.dispose();
    this.via = this.peer = undefined;
    this.route = route;
    this.note = NetNotes[route];
    if (route === 'peer') this.via = this.peer = new PeerRoute();
    else if (route === 'tabs') this.via = new TabsRoute(this);
    else if (route === 'bridge' && bridge) {
      this.via = new BridgeRoute(bridge, token, this);
      this.note += `${bridge}: connects and listens go to TCP through it.`;
    } else if (route === 'bridge') {
      this.note = 'No bridge address: the device is an offline socket. Start the bridge (make web-bridge) and open the link it prints, or give its address and token here.';
    }
    this.core.call('net_use', this.via ? 1 : 0);
    const where = route === 'off' ? 'the socket is offline' : `the socket goes to ${RouteNames[route]}`;
    this.log.push(`${clock()} ${where}${this.via || route === 'off' ? '' : ', offline: no bridge address'}`);
  }

  private peerSend(text: string, asBytes: boolean) {
    // Characters to code page 1252 by the core's table; a chunk as --input's net line reads it.
    const codes: number[] = [];
    for (const ch of text) {
      const code = this.core.call('cp1252_of', ch.codePointAt(0)!);
      if (code < 0) return void this.log.push(`${clock()} '${ch}' has no code in code page 1252: nothing sent`);
      codes.push(code);
    }
    let chunk = Uint8Array.from(codes);
    if (asBytes) {
      const size = this.core.withBytes(chunk, (p) => this.core.call('net_chunk', p));
      if (size < 0) return void this.log.push(`${clock()} nothing sent: ${this.core.text(this.core.call('text'))}`);
      chunk = this.core.bytes(this.core.call('text'));
    }
    if (chunk.length) this.arrived(this.peer!.use, chunk);
  }

  // Replies go out at most 60 times a second, and only when something changed.
  private changed() {
    if (!this.timer) this.timer = setTimeout(() => this.flush(), 1000 / 60) as unknown as number;
  }
  private flush() {
    this.timer = 0;
    for (const line of this.core.text(this.core.call('net_log')).split('\n')) if (line) this.log.push(`${clock()} ${line}`);
    const state = this.via ? this.core.text(this.core.call('net_state')) : 'offline';
    const r: NetReply = {
      type: 'net', route: this.route, state, note: this.note, sent: this.core.call('net_sent'),
      received: this.core.call('net_received'), log: this.log.splice(0),
    };
    if (this.peer?.sent.length) r.machineSent = this.peer.sent.splice(0);
    if (this.error) r.error = this.error;
    this.error = undefined;
    const key = JSON.stringify(r);
    if (key === this.shown) return;
    this.shown = key;
    this.post(r);
  }
}
