// The bridge's safety and protocol, driven by a WebSocket client as the page
// would be, with TCP peers on 127.0.0.1.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import net from 'node:net';
import path from 'node:path';
import WebSocket from 'ws';
import { startBridge } from '../../web/bridge/zar-bridge.mjs';
import { isLoopback } from '../../web/bridge/socket_session.mjs';

const origin = 'http://127.0.0.1:8000';
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');

// A page's WebSocket; resolves once open, or with the refusal's HTTP status.
function page(bridge, { token = bridge.token, from = origin } = {}) {
  const ws = new WebSocket(`${bridge.url}?token=${encodeURIComponent(token)}`, { origin: from });
  const events = [];
  const waiters = [];
  ws.on('message', (data, binary) => {
    events.push(binary ? { bytes: [...data] } : JSON.parse(String(data)));
    for (const w of waiters.splice(0)) w();
  });
  const next = async (n) => {
    while (events.length < n) await new Promise((r) => waiters.push(r));
    return events[n - 1];
  };
  return new Promise((resolve) => {
    ws.on('open', () => resolve({ ws, events, next }));
    ws.on('unexpected-response', (_, res) => resolve({ status: res.statusCode }));
  });
}

test('pages of another origin, or without the token, are refused', async () => {
  const bridge = await startBridge({ origin, port: 0 });
  try {
    assert.equal((await page(bridge, { token: 'wrong' })).status, 401);
    assert.equal((await page(bridge, { token: '' })).status, 401);
    assert.equal((await page(bridge, { from: 'http://evil.example' })).status, 403);
    assert.equal((await page(bridge, { from: 'http://127.0.0.1:8001' })).status, 403);
    const ok = await page(bridge);
    assert.ok(ok.ws);
    ok.ws.close();
  } finally {
    await bridge.close();
  }
});

test('only loopback hosts unless --allow-hosts', async () => {
  for (const [host, loop] of [['127.0.0.1', true], ['127.255.0.9', true], ['10.0.0.7', false], ['128.0.0.1', false],
    ['127.0.0.256', false], ['localhost', false]]) {
    assert.equal(isLoopback(host), loop, host);
  }
  for (const allowHosts of [false, true]) {
    const bridge = await startBridge({ origin, port: 0, allowHosts });
    try {
      const p = await page(bridge);
      // 192.0.2.1 is a documentation address: nothing answers there.
      p.ws.send(JSON.stringify({ type: 'connect', id: 1, host: '192.0.2.1', port: 9 }));
      const refused = await Promise.race([p.next(1), new Promise((r) => setTimeout(() => r(undefined), 500))]);
      if (allowHosts) assert.ok(!refused || !/connects only to 127\.0\.0\.1/.test(refused.message), JSON.stringify(refused));
      else assert.match(refused.message, /connects only to 127\.0\.0\.1, not to 192\.0\.2\.1/);
      p.ws.send('not json');
      p.ws.close();
    } finally {
      await bridge.close();
    }
  }
});

test('connect, bytes both ways (a chunk per message), half-close; a connect left for a listen, a port in use', async () => {
  const bridge = await startBridge({ origin, port: 0 });
  const peer = net.createServer({ allowHalfOpen: true });
  const got = [];
  peer.on('connection', (s) => {
    s.on('data', (d) => got.push(...d));
    s.write('XYZ', () => s.end());
  });
  await new Promise((r) => peer.listen(0, '127.0.0.1', r));
  try {
    const p = await page(bridge);
    p.ws.send(JSON.stringify({ type: 'connect', id: 7, host: '127.0.0.1', port: peer.address().port }));
    assert.deepEqual(await p.next(1), { type: 'connected', id: 7, peer: `127.0.0.1:${peer.address().port}` });
    assert.deepEqual(await p.next(2), { bytes: [88, 89, 90] });
    assert.deepEqual(await p.next(3), { type: 'closed', id: 7 });
    p.ws.send(Buffer.from([65])); // after the peer's half-close, the program may still send
    await new Promise((r) => setTimeout(r, 100));
    assert.deepEqual(got, [65]);
    // A listen, an accepted peer and its chunk: net.spec.mjs, through the page.
    // A connect left at once for a listen: only the listen is answered.
    const quick = await page(bridge);
    quick.ws.send(JSON.stringify({ type: 'connect', id: 1, host: '127.0.0.1', port: peer.address().port }));
    quick.ws.send(JSON.stringify({ type: 'listen', id: 2, port: 0 }));
    assert.equal((await quick.next(1)).type, 'listening');
    await new Promise((r) => setTimeout(r, 200));
    assert.deepEqual(quick.events.map((e) => [e.type, e.id]), [['listening', 2]]);
    quick.ws.close();
    // A second listen on the port in use fails, without a box.
    const other = await page(bridge);
    const blocker = net.createServer();
    await new Promise((r) => blocker.listen(0, '127.0.0.1', r));
    other.ws.send(JSON.stringify({ type: 'listen', id: 1, port: blocker.address().port }));
    const failed = await other.next(1);
    assert.equal(failed.type, 'error');
    assert.equal(failed.box, false);
    blocker.close();
    p.ws.close();
    other.ws.close();
  } finally {
    peer.close();
    await bridge.close();
  }
});

test('the command prints its address, token and link, and refuses bad options', async () => {
  const bridge = spawn(process.execPath, [path.join(root, 'web/bridge/zar-bridge.mjs'), '--origin', origin, '--port', '0']);
  const out = await new Promise((resolve) => {
    let text = '';
    bridge.stdout.on('data', (d) => {
      text += d;
      if (text.split('\n').length > 4) resolve(text);
    });
  });
  bridge.kill('SIGTERM');
  assert.match(out, /^ZAR bridge at ws:\/\/127\.0\.0\.1:\d+\/ for pages of http:\/\/127\.0\.0\.1:8000\ntoken: \S{20,}\n/);
  assert.match(out, /open: http:\/\/127\.0\.0\.1:8000\/index\.html#bridge=ws%3A%2F%2F127\.0\.0\.1%3A\d+%2F&token=/);
  for (const args of [[], ['--origin', origin, '--port', 'x'], ['--bogus']]) {
    const r = spawn(process.execPath, [path.join(root, 'web/bridge/zar-bridge.mjs'), ...args]);
    assert.equal(await new Promise((res) => r.on('exit', res)), 2, args.join(' '));
  }
});
