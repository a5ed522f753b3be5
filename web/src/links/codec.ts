// ZAR's links: what follows the # of the site's address. A version first,
// then one thing to open:
//   v1/src=<base64url of the deflated bytes>&name=<file name>   a source
//   v1/exercise=<name>                                          an exercise of the site
//   v1/exercisejson=<base64url of the deflated UTF-8 JSON>     a teacher's exercise
// Sources travel as their code page 1252 bytes, compressed by the browser's
// CompressionStream (raw deflate).
import { binaryToBytes, bytesToBinary } from '../binary';
import { nameProblem } from '../files/names';

export const LinkLimit = 32 * 1024; // characters after the #
const Unpacked = 1 << 20; // bytes a link may unpack to
const Version = 'v1';

export type Link =
  | { kind: 'source'; name: string; bytes: Uint8Array }
  | { kind: 'exercise'; name: string }
  | { kind: 'exerciseJson'; json: string };

export type Parsed = { link: Link } | { error: string };

function toBase64url(bytes: Uint8Array): string {
  return btoa(bytesToBinary(bytes)).replaceAll('+', '-').replaceAll('/', '_').replace(/=+$/, '');
}
function fromBase64url(text: string): Uint8Array | undefined {
  if (!/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1) return undefined;
  return binaryToBytes(atob(text.replaceAll('-', '+').replaceAll('_', '/')));
}

async function pipe(bytes: Uint8Array, through: CompressionStream | DecompressionStream, limit: number) {
  const reader = new Blob([bytes]).stream().pipeThrough(through).getReader();
  const parts: Uint8Array[] = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    size += value.length;
    if (size > limit) {
      await reader.cancel();
      return undefined;
    }
    parts.push(value);
  }
  const out = new Uint8Array(size);
  let at = 0;
  for (const p of parts) out.set(p, (at += p.length) - p.length);
  return out;
}
const deflate = (bytes: Uint8Array) => pipe(bytes, new CompressionStream('deflate-raw'), Infinity) as Promise<Uint8Array>;

// The fragment (without #) of a link to a source.
export async function sourceFragment(name: string, bytes: Uint8Array): Promise<string> {
  return `${Version}/src=${toBase64url(await deflate(bytes))}&name=${encodeURIComponent(name)}`;
}
export async function exerciseJsonFragment(json: string): Promise<string> {
  return `${Version}/exercisejson=${toBase64url(await deflate(new TextEncoder().encode(json)))}`;
}
export function exerciseFragment(name: string): string {
  return `${Version}/exercise=${encodeURIComponent(name)}`;
}

// The packed value of a link, unpacked, or why it cannot be.
async function unpack(text: string): Promise<Uint8Array | string> {
  const packed = fromBase64url(text);
  if (!packed) return 'it is not base64url';
  try {
    return (await pipe(packed, new DecompressionStream('deflate-raw'), Unpacked)) ?? 'it unpacks to more than 1 MB';
  } catch {
    return 'its compressed data is broken';
  }
}

async function readParts(params: URLSearchParams): Promise<Parsed> {
  const src = params.get('src');
  if (src !== null) {
    const bytes = await unpack(src);
    if (typeof bytes === 'string') return { error: `This link is damaged (${bytes}): nothing was opened.` };
    const name = params.get('name') ?? '';
    return { link: { kind: 'source', name: nameProblem(name) ? 'shared.OIA' : name, bytes } };
  }
  const json = params.get('exercisejson');
  if (json !== null) {
    const bytes = await unpack(json);
    if (typeof bytes === 'string') return { error: `This exercise link is damaged (${bytes}): nothing was opened.` };
    try {
      const text = new TextDecoder('utf-8', { fatal: true }).decode(bytes);
      if (isJsonObject(text)) return { link: { kind: 'exerciseJson', json: text } };
    } catch {
      // not UTF-8
    }
    return { error: 'This exercise link is damaged (it holds no exercise in JSON): nothing was opened.' };
  }
  const exercise = params.get('exercise');
  if (exercise !== null && /^[\w.-]{1,100}$/.test(exercise)) return { link: { kind: 'exercise', name: exercise } };
  if (exercise !== null) return { error: 'This exercise link is damaged (no such exercise name): nothing was opened.' };
  return { error: 'This ZAR link holds nothing to open: nothing was opened.' };
}

// Whether text is a JSON object, as an exercise is (the core says whether
// it is a valid one).
export function isJsonObject(text: string): boolean {
  try {
    const value: unknown = JSON.parse(text);
    return typeof value === 'object' && value !== null && !Array.isArray(value);
  } catch {
    return false;
  }
}

// What a fragment (with or without its #) links to; undefined when there is
// no fragment.
export async function parseFragment(hash: string): Promise<Parsed | undefined> {
  const fragment = hash.startsWith('#') ? hash.slice(1) : hash;
  if (fragment === '') return undefined;
  if (fragment.length > LinkLimit) {
    const kb = Math.ceil(fragment.length / 1024);
    return { error: `This link is too long (${kb} KB; a ZAR link holds at most 32 KB): nothing was opened.` };
  }
  const version = /^v(\d+)\//.exec(fragment);
  if (!version) return { error: 'This link is not a ZAR link: nothing was opened.' };
  if (`v${version[1]}` !== Version) {
    return Number(version[1]) > 1
      ? { error: `This link was made by a newer ZAR (link version ${version[1]}): nothing was opened.` }
      : { error: 'This link is not a ZAR link: nothing was opened.' };
  }
  let params: URLSearchParams;
  try {
    params = new URLSearchParams(fragment.slice(version[0].length));
  } catch {
    return { error: 'This link is damaged: nothing was opened.' };
  }
  return readParts(params);
}
