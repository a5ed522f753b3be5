#!/usr/bin/env node
// The bridge between the page's network device and real TCP: a WebSocket
// server on 127.0.0.1 for pages of one origin that bring the token it
// prints, each page's socket connecting or listening on its behalf
// (docs/bridge.md).
//
//   node web/bridge/zar-bridge.mjs --origin http://127.0.0.1:8000 [--port N] [--allow-hosts]
import crypto from 'node:crypto';
import http from 'node:http';
import { parseArgs } from 'node:util';
import { WebSocketServer } from 'ws';
import { SocketSession } from './socket_session.mjs';

const usage = `usage: zar-bridge.mjs --origin URL [--port N] [--allow-hosts] [--token TOKEN]
  --origin URL    the site whose pages may use the bridge, e.g. http://127.0.0.1:8000
  --port N        the port to serve on 127.0.0.1 (default 8790; 0 takes a free one)
  --allow-hosts   let programs connect to hosts other than 127.0.0.1
  --token TOKEN   the token pages must bring (default: a new random one)`;

// Starts the bridge; resolves to { url, token, link, close }.
export function startBridge({ origin, port = 8790, allowHosts = false, token, log = () => {} }) {
  const want = new URL(origin).origin;
  const secret = Buffer.from(token ?? crypto.randomBytes(18).toString('base64url'));
  const wss = new WebSocketServer({ noServer: true, maxPayload: 64 * 1024 });
  const server = http.createServer((_, res) => {
    res.writeHead(426, { 'content-type': 'text/plain' });
    res.end('The ZAR bridge speaks WebSocket to the page only.\n');
  });
  const refuse = (socket, status, why) => {
    log(`refused a page: ${why}`);
    socket.end(`HTTP/1.1 ${status}\r\nConnection: close\r\nContent-Length: 0\r\n\r\n`);
  };
  server.on('upgrade', (req, socket, head) => {
    const given = Buffer.from(new URL(req.url, 'ws://bridge').searchParams.get('token') ?? '');
    if (req.headers.origin !== want) return refuse(socket, '403 Forbidden', `origin ${req.headers.origin ?? 'none'}`);
    if (given.length !== secret.length || !crypto.timingSafeEqual(given, secret)) {
      return refuse(socket, '401 Unauthorized', 'a wrong token');
    }
    wss.handleUpgrade(req, socket, head, (ws) => {
      log('a page came');
      new SocketSession(ws, { allowHosts, log });
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => {
      const url = `ws://127.0.0.1:${server.address().port}/`;
      const link = `${want}/index.html#bridge=${encodeURIComponent(url)}&token=${secret}`;
      const close = () => new Promise((done) => {
        for (const ws of wss.clients) ws.terminate();
        server.close(() => done());
      });
      resolve({ url, token: String(secret), link, close });
    });
  });
}

async function main() {
  let args;
  try {
    args = parseArgs({
      options: { origin: { type: 'string' }, port: { type: 'string' }, 'allow-hosts': { type: 'boolean' },
        token: { type: 'string' }, help: { type: 'boolean' } },
    }).values;
  } catch (e) {
    console.error(`zar-bridge: ${e.message}\n${usage}`);
    process.exit(2);
  }
  if (args.help) return console.log(usage);
  const port = Number(args.port ?? 8790);
  if (!args.origin || !Number.isInteger(port) || port < 0 || port > 65535) {
    console.error(`zar-bridge: ${args.origin ? `no port: ${args.port}` : '--origin is needed'}\n${usage}`);
    process.exit(2);
  }
  const log = (line) => console.error(`zar-bridge: ${line}`);
  try {
    const bridge = await startBridge({ origin: args.origin, port, allowHosts: args['allow-hosts'], token: args.token, log });
    console.log(`ZAR bridge at ${bridge.url} for pages of ${new URL(args.origin).origin}`);
    console.log(`token: ${bridge.token}`);
    console.log(`open: ${bridge.link}`);
    console.log(args['allow-hosts'] ? 'programs may connect to any host' : 'programs may connect to 127.0.0.1 only');
    for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => bridge.close().then(() => process.exit(0)));
  } catch (e) {
    console.error(`zar-bridge: cannot serve on 127.0.0.1:${port}: ${e.message}`);
    process.exit(1);
  }
}

if (import.meta.url === `file://${process.argv[1]}`) main();
