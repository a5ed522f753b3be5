// The Network panel (Tools > Network): where the device's socket goes (off,
// the peer panel, other tabs, a bridge to TCP), what it is doing, its log,
// and the peer panel, where the learner is the other end. A link with
// #bridge=ADDRESS&token=TOKEN (as the bridge prints it) chooses the bridge.
import type { Page } from '../page';
import type { NetReply, NetRoute } from '../protocol';

const LogLines = 200;
const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

// The bridge's address and token from the page's link, if it names them.
function bridgeFromLink(href: string): { bridge: string; token: string } | undefined {
  const url = new URL(href);
  for (const params of [new URLSearchParams(url.hash.slice(1)), url.searchParams]) {
    const bridge = params.get('bridge');
    if (bridge) return { bridge, token: params.get('token') ?? '' };
  }
  return undefined;
}

export function initNetwork(page: Page) {
  const panel = $('panel-network');
  const radios = [...document.querySelectorAll<HTMLInputElement>('input[name="netRoute"]')];
  const bridge = $<HTMLInputElement>('netBridge');
  const token = $<HTMLInputElement>('netToken');
  const log: string[] = [];
  const sent: number[] = [];
  const chars = new TextDecoder('windows-1252');
  const errorBox = $<HTMLDialogElement>('netError');

  const chosen = () => (radios.find((r) => r.checked)?.value ?? 'off') as NetRoute;
  const choose = () => {
    const route = chosen();
    $('netBridgeRow').hidden = route !== 'bridge';
    $('netPeer').hidden = route !== 'peer';
    page.send({ type: 'netRoute', route, bridge: bridge.value, token: token.value });
  };
  for (const r of radios) r.addEventListener('change', choose);
  page.action('netBridgeUse', () => {
    radios.find((r) => r.value === 'bridge')!.checked = true;
    choose();
  });
  page.action('mnet', () => {
    panel.hidden = !panel.hidden;
    if (!panel.hidden) panel.querySelector<HTMLElement>('input:checked')?.focus();
  });
  page.action('peerConnect', () => page.send({ type: 'peerConnect' }));
  page.action('peerClose', () => page.send({ type: 'peerClose' }));
  const peerText = $<HTMLInputElement>('peerText');
  const peerSend = () => {
    page.send({ type: 'peerSend', text: peerText.value, asBytes: $<HTMLSelectElement>('peerAs').value === 'bytes' });
  };
  page.action('peerSend', peerSend);
  peerText.addEventListener('keydown', (e) => e.key === 'Enter' && peerSend());

  errorBox.addEventListener('close', () => errorBox.returnValue === 'stop' && page.send({ type: 'stop' }));

  const show = (r: NetReply) => {
    $('netNote').textContent = r.note;
    $('netState').textContent = `State: ${r.state}`;
    $('netTraffic').textContent = `Bytes sent: ${r.sent}   received: ${r.received}`;
    panel.dataset.state = r.state;
    panel.dataset.route = r.route;
    if (r.log.length) {
      log.push(...r.log);
      log.splice(0, Math.max(0, log.length - LogLines));
      const view = $('netLog');
      view.textContent = log.join('\n');
      view.scrollTop = view.scrollHeight;
    }
    if (r.machineSent) {
      sent.push(...r.machineSent);
      sent.splice(0, Math.max(0, sent.length - 4096));
      $('peerBytes').textContent = sent.join(' ');
      $('peerChars').textContent = chars.decode(Uint8Array.from(sent));
    }
    // One box at a time: an error while one is open is only in the log.
    if (r.error && !errorBox.open) {
      $('netErrorText').textContent = r.error;
      page.modal(errorBox);
    }
  };
  page.listen((r) => r.type === 'net' && show(r));

  // A tab that goes away closes its connections first, as a program's end closes its socket.
  addEventListener('pagehide', () => page.send({ type: 'netRoute', route: 'off', bridge: '', token: '' }));

  const link = bridgeFromLink(location.href);
  if (link) {
    bridge.value = link.bridge;
    token.value = link.token;
    radios.find((r) => r.value === 'bridge')!.checked = true;
  }
  choose();
}
