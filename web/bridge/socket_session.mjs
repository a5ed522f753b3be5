// One page's socket on the bridge: the TCP connection or listening server
// that the page's network device holds, at most one at a time, driven by the
// page's JSON requests and binary byte messages (docs/bridge.md).
import net from 'node:net';

// Above this many bytes waiting for the page, the TCP socket stops reading
// until the page has taken them, so a flooding peer is held back by TCP.
const HighWater = 1 << 20;
const Dotted = /^(\d{1,3})\.(\d{1,3})\.(\d{1,3})\.(\d{1,3})$/;

export function isLoopback(host) {
  const m = Dotted.exec(host);
  return m !== null && m.slice(1).every((p) => Number(p) <= 255) && m[1] === '127';
}

export class SocketSession {
  // ws: the page's WebSocket; allowHosts: connects may leave 127.0.0.0/8.
  constructor(ws, { allowHosts = false, log = () => {} } = {}) {
    this.ws = ws;
    this.allowHosts = allowHosts;
    this.log = log;
    this.id = 0;
    this.socket = null;
    this.server = null;
    ws.on('message', (data, binary) => (binary ? this.write(data) : this.request(String(data))));
    ws.on('close', () => this.drop());
    ws.on('error', () => this.drop());
  }

  event(type, fields = {}) {
    if (this.ws.readyState === this.ws.OPEN) this.ws.send(JSON.stringify({ type, id: this.id, ...fields }));
  }

  request(text) {
    let r;
    try {
      r = JSON.parse(text);
    } catch {
      return this.event('error', { message: 'the bridge takes JSON requests', box: false });
    }
    if (!Number.isInteger(r.id)) return this.event('error', { message: 'a request needs its id', box: false });
    if (r.type === 'close') {
      if (r.id === this.id) this.drop();
      return;
    }
    this.drop();
    this.id = r.id;
    if (!Number.isInteger(r.port) || r.port < 0 || r.port > 65535) {
      return this.event('error', { message: `no port: ${r.port}`, box: r.type === 'connect' });
    }
    if (r.type === 'connect') this.connect(String(r.host), r.port);
    else if (r.type === 'listen') this.listen(r.port);
    else this.event('error', { message: `unknown request ${r.type}`, box: false });
  }

  connect(host, port) {
    if (!Dotted.test(host)) return this.event('error', { message: `no IPv4 address: ${host}` });
    if (!this.allowHosts && !isLoopback(host)) {
      return this.event('error', {
        message: `the bridge connects only to 127.0.0.1, not to ${host} (start it with --allow-hosts for other hosts)`,
      });
    }
    this.log(`page ${this.id}: connecting to ${host}:${port}`);
    const socket = net.connect({ host, port, allowHalfOpen: true });
    // A connect the page has left behind says nothing.
    socket.once('connect', () => this.socket === socket && this.event('connected', { peer: `${host}:${port}` }));
    this.attach(socket);
  }

  listen(port) {
    const server = net.createServer({ allowHalfOpen: true });
    this.server = server;
    server.once('connection', (socket) => {
      if (this.server !== server) return socket.destroy();
      server.close();
      this.server = null;
      this.attach(socket);
      this.event('accepted', { peer: `${socket.remoteAddress}:${socket.remotePort}` });
    });
    server.on('error', (e) => this.server === server && this.event('error', { message: e.message, box: false }));
    server.listen(port, '127.0.0.1', () => {
      if (this.server !== server) return;
      this.log(`page ${this.id}: listening on 127.0.0.1:${server.address().port}`);
      this.event('listening', { port: server.address().port });
    });
  }

  attach(socket) {
    this.socket = socket;
    socket.setNoDelay(true); // each byte the machine sends goes out at once
    const mine = () => this.socket === socket;
    socket.on('data', (chunk) => {
      if (!mine()) return;
      this.ws.send(chunk, { binary: true }, () => this.ws.bufferedAmount < HighWater && socket.resume());
      if (this.ws.bufferedAmount >= HighWater) socket.pause();
    });
    socket.on('end', () => mine() && this.event('closed'));
    socket.on('error', (e) => mine() && this.event('error', { message: e.message }));
    socket.on('close', () => {
      if (mine()) this.socket = null;
    });
  }

  write(data) {
    if (this.socket && this.socket.writable) this.socket.write(data);
  }

  // Whatever was held ends; bytes written before go out first.
  drop() {
    if (this.server) this.server.close();
    this.server = null;
    if (this.socket) this.socket.end();
    this.socket = null;
  }
}
