// The network device in the page: two tabs of the site talking to each other,
// the peer panel against the native zar run's scripted peer, and real TCP
// through the bridge with a peer on 127.0.0.1.
import { test, expect } from '@playwright/test';
import fs from 'node:fs';
import { once } from 'node:events';
import { connect, createServer } from 'node:net';
import path from 'node:path';
import { startBridge } from '../../web/bridge/zar-bridge.mjs';
import { load, open as openPage, port as sitePort, root, runNative, saved, scratch } from './support.mjs';

const dir = scratch('net');
const server = fs.readFileSync(path.join(root, 'examples/echo_server.OIA'), 'latin1');
const client = fs.readFileSync(path.join(root, 'tests/web/net/echo_client.OIA'), 'latin1');

// The sources with another port: the server's p9/p19 and the client's cells 242/243.
const serverOn = (port) => server.replace('MOV,p9,247', `MOV,p9,${(256 - (port >> 8)) % 256}`)
  .replace('MOV,p19,237', `MOV,p19,${(256 - (port & 255)) % 256}`);
const clientTo = (port) => client.replace('MOV,t,247\nSUB,242', `MOV,t,${(256 - (port >> 8)) % 256}\nSUB,242`)
  .replace('MOV,t,237\nSUB,243', `MOV,t,${(256 - (port & 255)) % 256}\nSUB,243`);

async function open(page, hash = '') {
  await openPage(page, { hash });
  await page.click('#mnet');
}
const net = (page) => page.locator('#panel-network');
async function route(page, value) {
  await page.check(`input[name="netRoute"][value="${value}"]`);
  await expect(net(page)).toHaveAttribute('data-route', value);
}
const loadText = (page, text, name) => load(page, name, Buffer.from(text, 'latin1'));
async function start(page, ms = 1) {
  await page.fill('#Text1', String(ms));
  await page.click('#Command1');
}
const cells = async (page) => (await saved(page)).split(/\r?\n/).map(Number);
// Sets the cells, takes a step and waits for the device's state, when one is given.
async function step(page, settings, state) {
  for (const [cell, value] of settings) await page.evaluate(([c, v]) => window.zar({ type: 'setCell', cell: c, value: v }), [cell, value]);
  await page.click('#Command3');
  if (state) await expect(net(page)).toHaveAttribute('data-state', state);
}

function native(program, script) {
  const [source, input, out] = ['prog.OIA', 'input.txt', 'net.out'].map((f) => path.join(dir, f));
  fs.writeFileSync(source, program, 'latin1');
  fs.writeFileSync(input, script);
  const r = runNative(['run', source, '--steps', '3000', '--input', input, '--net-out', out]);
  return { console: r.stdout, sent: [...fs.readFileSync(out)] };
}

test('the echo server in one tab serves its client in another; bytes and closes go both ways', async ({ context }) => {
  const [a, b] = [await context.newPage(), await context.newPage()];
  for (const p of [a, b]) {
    await open(p);
    await route(p, 'tabs');
  }
  await loadText(a, server, 'echo_server.OIA');
  await start(a);
  await expect(net(a)).toHaveAttribute('data-state', 'listening on port 2323');
  await loadText(b, client, 'echo_client.OIA');
  await start(b);
  // What the client prints is what it prints against the scripted peer.
  const want = native(client, '20 connect\n700 net 72\n900 net 73\n');
  await expect(b.locator('#cbox')).toHaveText(want.console);
  // The client's listen on 2324 ended the connection: the server's peer has closed.
  await expect(b.locator('#panel-network')).toHaveAttribute('data-state', 'listening on port 2324');
  await expect(net(a)).toHaveAttribute('data-state', 'closed by peer a program in another tab');

  // Now the other way: tab A connects to B's listener, sends, and B closes.
  for (const p of [a, b]) {
    await p.click('#Command2');
    await p.click('#fillNULL');  // no instruction of the program touches the device's cells now
  }
  await step(a, [[238, 127], [239, 0], [240, 0], [241, 1], [242, 9], [243, 20], [245, 1]],
    'connected to 127.0.0.1:2324 in another tab');
  await expect(net(b)).toHaveAttribute('data-state', 'connected to a program in another tab');
  await step(a, [[244, 65], [245, 2]]);
  await expect.poll(async () => (await cells(b))[244]).toBe(65);
  expect((await cells(a)).slice(244, 246)).toEqual([0, 0]);
  await step(b, [[245, 3]]);
  await expect(net(a)).toHaveAttribute('data-state', 'closed by peer 127.0.0.1:2324 in another tab');
  // A connect to a port no tab listens on is refused in the error box.
  await step(a, [[243, 99], [245, 1]]);
  await expect(a.locator('#netError')).toBeVisible();
  await expect(a.locator('#netErrorText')).toHaveText(/no program in another tab listens on port 2403/);
  await a.click('#netError button[value="ok"]');
  await expect(net(a)).toHaveAttribute('data-state', 'idle');
  // A second listen on a port a tab listens on fails, in the log only.
  await step(a, [[242, 0], [243, 0], [245, 3]], 'idle');
  await expect(a.locator('#netLog')).toContainText('listening on port 0 failed: port 0 is in use');
  await expect(a.locator('#netError')).toBeHidden();
  // A tab that goes away closes its connection.
  await step(a, [[245, 1]], 'connected to 127.0.0.1:0 in another tab');
  await b.close();
  await expect(net(a)).toHaveAttribute('data-state', 'closed by peer 127.0.0.1:0 in another tab');
});

test('the peer panel plays the other end as the scripted peer does, and answers a program that connects', async ({ page }) => {
  await open(page);
  await route(page, 'peer');
  await loadText(page, server, 'echo_server.OIA');
  await start(page);
  await expect(net(page)).toHaveAttribute('data-state', 'listening on port 2323');
  await page.click('#peerConnect');
  await expect(net(page)).toHaveAttribute('data-state', 'connected to the peer panel');
  await page.fill('#peerText', 'XYZ');
  await page.click('#peerSend');
  await expect(page.locator('#peerBytes')).toHaveText('88');
  await page.selectOption('#peerAs', 'bytes');
  await page.fill('#peerText', '65 66');
  await page.press('#peerText', 'Enter');
  await expect(page.locator('#peerBytes')).toHaveText('88 65');
  await page.fill('#peerText', '300');
  await page.click('#peerSend');
  await expect(page.locator('#netLog')).toContainText('nothing sent: a chunk is decimal bytes from 0 to 255');
  await page.click('#peerClose');
  await expect(net(page)).toHaveAttribute('data-state', 'closed by peer the peer panel');
  const want = native(server, '9 connect\n100 net "XYZ"\n200 net 65 66\n300 close\n');
  expect((await page.locator('#peerBytes').textContent()).split(' ').map(Number)).toEqual(want.sent);
  await expect(page.locator('#peerChars')).toHaveText('XA');
  // The peer panel answers a program that connects; a send without a connection is lost.
  await open(page);
  // Without a bridge address the device is an offline socket, and the panel says so.
  await route(page, 'bridge');
  await expect(page.locator('#netNote')).toHaveText(/^No bridge address: the device is an offline socket/);
  await expect(net(page)).toHaveAttribute('data-state', 'offline');
  await route(page, 'peer');
  await page.click('#fillNULL');
  await step(page, [[244, 66], [245, 2]]);
  await expect(page.locator('#netLog')).toContainText('a byte to send was dropped: not connected');
  expect((await cells(page)).slice(244, 246)).toEqual([0, 0]);
  await page.click('#peerConnect');  // nobody to connect to: nothing changes
  await step(page, [[238, 127], [241, 1], [243, 80], [245, 1]], 'connecting to 127.0.0.1:80');
  await page.click('#peerConnect');
  await expect(net(page)).toHaveAttribute('data-state', 'connected to the peer panel');
  await step(page, [[244, 0], [245, 2]]);  // a zero byte is sent too
  await step(page, [[244, 65], [245, 2]]);
  await expect(page.locator('#peerBytes')).toHaveText('0 65');
  await page.selectOption('#peerAs', 'bytes');
  await page.fill('#peerText', '0');
  await page.click('#peerSend');
  await expect(page.locator('#netTraffic')).toHaveText('Bytes sent: 2   received: 1');
  // A new command closes the connection the peer panel had; the panel's close then changes nothing.
  await step(page, [[245, 3]], 'listening on port 80');
  await page.click('#peerClose');
  await expect(net(page)).toHaveAttribute('data-state', 'listening on port 80');
});

// An echo peer on 127.0.0.1: its port, and all it got once the program closed.
async function echoPeer() {
  const server = createServer((c) => {
    const got = [];
    c.on('data', (d) => {
      got.push(d);
      c.write(d);
    }).on('end', () => server.emit('got', Buffer.concat(got).toString('latin1')));
  });
  await new Promise((listening) => server.listen(0, '127.0.0.1', listening));
  const got = new Promise((done) => server.once('got', done)).finally(() => server.close());
  return { port: server.address().port, got };
}
// A client that sends XYZ, then times 100 one-byte round trips: the first chunk back and the median in ms.
async function roundTrips(port) {
  const c = connect({ port, host: '127.0.0.1', noDelay: true });
  const echo = async (bytes) => {
    const start = performance.now();
    c.write(bytes, 'latin1');
    const [back] = await once(c, 'data');
    return [back.toString('latin1'), performance.now() - start];
  };
  const [first] = await echo('XYZ');
  const times = [];
  for (let i = 0; i < 100; ++i) {
    const byte = String.fromCharCode(1 + (i % 200));
    const [back, ms] = await echo(byte);
    expect(back).toBe(byte);
    times.push(ms);
  }
  c.destroy();
  return { first, median: times.sort((x, y) => x - y)[50].toFixed(2) };
}
const freePort = () => 20000 + Math.floor(Math.random() * 20000);

test.describe('the bridge to TCP', () => {
  let bridge;
  test.beforeAll(async () => {
    bridge = await startBridge({ origin: `http://127.0.0.1:${sitePort}`, port: 0 });
  });
  test.afterAll(() => bridge.close());
  const hash = () => bridge.link.slice(bridge.link.indexOf('#'));

  test('a client program reaches an echo peer through it', async ({ page }) => {
    const { port, got } = await echoPeer();
    await open(page, hash());
    await expect(net(page)).toHaveAttribute('data-route', 'bridge');
    await loadText(page, clientTo(port), 'echo_client.OIA');
    await start(page);
    await expect(page.locator('#cbox')).toHaveText('HI');
    await expect(net(page)).toHaveAttribute('data-state', `listening on port ${(port & ~255) | ((port + 1) & 255)}`);
    expect(await got).toBe('HI');
  });

  test('a listening program is reached over TCP; a chunk gives its first byte; round trips', async ({ page }) => {
    const port = freePort();
    await open(page, hash());
    await loadText(page, serverOn(port), 'echo_server.OIA');
    await page.click('#mdbg');
    await page.click('#fullSpeed');
    await expect(net(page)).toHaveAttribute('data-state', `listening on port ${port}`);
    const { first, median } = await roundTrips(port);
    expect(first).toBe('X');
    console.log(`one-byte round trip through the bridge, machine at full speed: median ${median} ms of 100`);
    await expect(net(page)).toHaveAttribute('data-state', /^closed by peer 127\.0\.0\.1:\d+$/);
  });

  // The device's cells of a connect, and what the error box says of it.
  for (const [what, token, settings, says] of [
    ['a host other than 127.0.0.1 is refused', undefined, [[238, 10], [239, 0], [240, 0], [241, 7], [242, 0], [243, 80]],
      /connects only to 127\.0\.0\.1, not to 10\.0\.0\.7/],
    ['a wrong token is refused', 'wrong', [[238, 127], [241, 1], [242, 9], [243, 19]], /refused the page/]]) {
    test(`${what}, and the page says so`, async ({ page }) => {
      await open(page, token ? hash().replace(/token=[^&]*/, `token=${token}`) : hash());
      await page.click('#fillNULL');
      await step(page, [...settings, [245, 1]]);
      await expect(page.locator('#netErrorText')).toHaveText(says);
      await page.click('#netError button[value="stop"]');
      await expect(net(page)).toHaveAttribute('data-state', 'idle');
    });
  }
});
