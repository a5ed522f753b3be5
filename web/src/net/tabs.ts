// The route to the machines of other tabs of the same site, over one
// BroadcastChannel: a tab whose program listens on a port answers a connect
// to 127.0.0.1 and that port from another tab; the connecting tab takes the
// first answer, so one connection joins two sockets. A listening tab claims
// its port: a tab already listening on it answers, and the later listen
// fails. Each message but a connect or a claim is addressed to one tab by its
// id; a data message is one chunk.
import type { Route, RouteEvents } from './route';

type Message =
  | { kind: 'connect'; from: string; conn: string; port: number }
  | { kind: 'claim'; from: string; port: number }
  | { kind: 'inUse'; from: string; to: string; port: number }
  | { kind: 'offer'; from: string; to: string; conn: string }
  | { kind: 'take'; from: string; to: string; conn: string; port: number }
  | { kind: 'data'; from: string; to: string; conn: string; bytes: Uint8Array }
  | { kind: 'close'; from: string; to: string; conn: string };

// How long a connect waits for a listening tab to answer.
const TabAnswerMs = 1000;

const newId = () => Math.random().toString(36).slice(2, 10);

export class TabsRoute implements Route {
  private readonly channel = new BroadcastChannel('zar-net');
  private readonly me = newId();
  private listening?: { use: number; port: number };
  private asking?: { use: number; conn: string; port: number; timer: number };
  private link?: { use: number; conn: string; tab: string };

  constructor(private readonly events: RouteEvents) {
    this.channel.onmessage = (e: MessageEvent<Message>) => this.receive(e.data);
  }

  connect(use: number, host: string, port: number) {
    this.drop();
    if (host !== '127.0.0.1') {
      this.events.failed(use, `other tabs are reached at 127.0.0.1 only, not at ${host}`, true);
      return;
    }
    const conn = newId();
    const timer = setTimeout(() => {
      if (this.asking?.conn !== conn) return;
      this.asking = undefined;
      this.events.failed(use, `connection refused: no program in another tab listens on port ${port}`, true);
    }, TabAnswerMs) as unknown as number;
    this.asking = { use, conn, port, timer };
    this.post({ kind: 'connect', from: this.me, conn, port });
  }

  listen(use: number, port: number) {
    this.drop();
    this.listening = { use, port };
    this.post({ kind: 'claim', from: this.me, port });
  }

  send(use: number, bytes: Uint8Array) {
    if (this.link?.use === use) this.post({ kind: 'data', from: this.me, to: this.link.tab, conn: this.link.conn, bytes });
  }

  close() {
    this.drop();
  }

  dispose() {
    this.drop();
    this.channel.close();
  }

  private drop() {
    if (this.link) this.post({ kind: 'close', from: this.me, to: this.link.tab, conn: this.link.conn });
    if (this.asking) clearTimeout(this.asking.timer);
    this.link = this.asking = this.listening = undefined;
  }

  private post(m: Message) {
    this.channel.postMessage(m);
  }

  private receive(m: Message) {
    if (m.kind === 'connect') {
      if (this.listening?.port === m.port && !this.link) this.post({ kind: 'offer', from: this.me, to: m.from, conn: m.conn });
      return;
    }
    if (m.kind === 'claim') {
      if (this.listening?.port === m.port) this.post({ kind: 'inUse', from: this.me, to: m.from, port: m.port });
      return;
    }
    if (m.to !== this.me) return;
    if (m.kind === 'inUse' && this.listening?.port === m.port) {
      const use = this.listening.use;
      this.listening = undefined;
      this.events.failed(use, `port ${m.port} is in use: a program in another tab listens on it`, false);
    }
    if (m.kind === 'offer' && this.asking?.conn === m.conn) {
      const { use, conn, port, timer } = this.asking;
      clearTimeout(timer);
      this.asking = undefined;
      this.link = { use, conn, tab: m.from };
      this.post({ kind: 'take', from: this.me, to: m.from, conn, port });
      this.events.connected(use, `127.0.0.1:${port} in another tab`);
    } else if (m.kind === 'take') {
      // The first tab to take the offer gets the connection; the listening ends.
      if (!this.listening || this.listening.port !== m.port || this.link) {
        this.post({ kind: 'close', from: this.me, to: m.from, conn: m.conn });
        return;
      }
      const use = this.listening.use;
      this.listening = undefined;
      this.link = { use, conn: m.conn, tab: m.from };
      this.events.connected(use, 'a program in another tab');
    } else if (m.kind === 'data' && this.link?.conn === m.conn) {
      this.events.arrived(this.link.use, m.bytes);
    } else if (m.kind === 'close' && this.link?.conn === m.conn) {
      const use = this.link.use;
      this.link = undefined;
      this.events.closed(use);
    }
  }
}
