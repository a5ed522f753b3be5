// The route to real TCP through the bridge (web/bridge/zar-bridge.mjs): one
// WebSocket to it, opened at the first request, with the token the bridge
// printed. Requests go as JSON text messages, the machine's bytes as binary
// messages; the bridge answers with JSON events and a binary message for
// each chunk that arrived on its TCP socket (docs/bridge.md).
import type { Route, RouteEvents } from './route';

interface BridgeEvent {
  type: 'connected' | 'listening' | 'accepted' | 'closed' | 'error';
  id: number;
  peer?: string;
  message?: string;
  box?: boolean;
}

export class BridgeRoute implements Route {
  private socket?: WebSocket;
  private queue: (string | Uint8Array)[] = [];
  private use = 0; // the use the last request was for
  private answered = 0; // the last use the bridge has answered: its bytes are the use's

  constructor(
    private readonly url: string,
    private readonly token: string,
    private readonly events: RouteEvents,
  ) {}

  connect(use: number, host: string, port: number) {
    this.use = use;
    this.request(JSON.stringify({ type: 'connect', id: use, host, port }));
  }
  listen(use: number, port: number) {
    this.use = use;
    this.request(JSON.stringify({ type: 'listen', id: use, port }));
  }
  send(use: number, bytes: Uint8Array) {
    if (use === this.use) this.request(bytes);
  }
  close(use: number) {
    // Without a WebSocket the bridge holds nothing of this page's.
    if (this.socket) this.request(JSON.stringify({ type: 'close', id: use }));
  }
  dispose() {
    this.socket?.close();
    this.socket = undefined;
  }

  private request(m: string | Uint8Array) {
    if (this.socket?.readyState === WebSocket.OPEN) return this.socket.send(m);
    this.queue.push(m);
    if (!this.socket || this.socket.readyState > WebSocket.OPEN) this.open();
  }

  private open() {
    const url = new URL(this.url);
    url.searchParams.set('token', this.token);
    let socket: WebSocket;
    try {
      socket = new WebSocket(url.href);
    } catch (e) {
      this.queue = [];
      this.events.failed(this.use, `the bridge address ${this.url} is no WebSocket address (${e})`, true);
      return;
    }
    socket.binaryType = 'arraybuffer';
    let opened = false;
    socket.onopen = () => {
      opened = true;
      for (const m of this.queue.splice(0)) socket.send(m);
    };
    socket.onmessage = (e: MessageEvent<string | ArrayBuffer>) => this.receive(e.data);
    socket.onclose = () => {
      if (this.socket !== socket) return;
      this.socket = undefined;
      this.queue = [];
      this.events.failed(
        this.use,
        opened
          ? `the bridge at ${this.url} closed the connection`
          : `cannot reach the bridge at ${this.url}, or it refused the page (its token or this page's origin)`,
        true,
      );
    };
    this.socket = socket;
  }

  private receive(data: string | ArrayBuffer) {
    if (typeof data !== 'string') {
      if (this.answered === this.use) this.events.arrived(this.use, new Uint8Array(data));
      return;
    }
    const e = JSON.parse(data) as BridgeEvent;
    if (e.id !== this.use) return;
    this.answered = e.id;
    if (e.type === 'connected' || e.type === 'accepted') this.events.connected(e.id, e.peer ?? '');
    else if (e.type === 'closed') this.events.closed(e.id);
    else if (e.type === 'error') this.events.failed(e.id, e.message ?? 'failed', e.box !== false);
  }
}
