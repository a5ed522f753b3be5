// The page's second, small core (zar-editor.wasm) on the page's own thread:
// the file's code page 1252 bytes and the editor's text each way, and the
// assembler's token classes of a source. It answers at once, so typing never
// waits behind a machine running at full speed in the worker.
declare function createZarEditor(): Promise<EditorModule>;
type Fn = (...args: number[]) => number;
interface EditorModule {
  HEAPU8: Uint8Array;
  [name: string]: unknown;
}

// The TokenKind of the core, in its order.
export const TokenKinds = ['statement', 'label', 'number', 'unknown', 'name', 'error', 'comment'] as const;

export interface EditorCore {
  // The editor's text of a source (its lines ended by line feeds), and
  // whether the file ended them with a line feed alone.
  decode(bytes: Uint8Array): { text: string; lineFeedsAlone: boolean };
  // The editor's text as the file's bytes ('?' for what the code page lacks).
  encode(text: string, lineFeedsAlone: boolean): Uint8Array;
  // Four numbers a token: line (from 0), start, length, kind.
  tokens(bytes: Uint8Array): Int32Array;
}

function wrap(m: EditorModule): EditorCore {
  const fn = (name: string) => m[`_zar_ed_${name}`] as Fn;
  const malloc = (n: number) => (m._malloc as Fn)(Math.max(1, n));
  const free = (p: number) => (m._free as Fn)(p);
  const handle = fn('create')();
  const withBytes = <T>(bytes: Uint8Array, f: (p: number) => T): T => {
    const p = malloc(bytes.length);
    m.HEAPU8.set(bytes, p);
    try {
      return f(p);
    } finally {
      free(p);
    }
  };
  const utf16 = new TextDecoder('utf-16le');
  return {
    decode(bytes) {
      const lineFeedsAlone = withBytes(bytes, (p) => fn('line_feeds_alone')(p, bytes.length)) !== 0;
      const text = withBytes(bytes, (p) => {
        const units = fn('decode')(handle, p, bytes.length);
        return utf16.decode(m.HEAPU8.subarray(units, units + 2 * fn('size')(handle)));
      });
      return { text, lineFeedsAlone };
    },
    encode(text, lineFeedsAlone) {
      const p = malloc(2 * text.length);
      const units = new Uint16Array(m.HEAPU8.buffer, p, text.length);
      for (let i = 0; i < text.length; ++i) units[i] = text.charCodeAt(i);
      try {
        const out = fn('encode')(handle, p, text.length, lineFeedsAlone ? 1 : 0);
        return m.HEAPU8.slice(out, out + fn('size')(handle));
      } finally {
        free(p);
      }
    },
    tokens(bytes) {
      return withBytes(bytes, (p) => {
        const out = fn('tokens')(handle, p, bytes.length);
        return new Int32Array(m.HEAPU8.buffer.slice(out, out + 4 * fn('size')(handle)));
      });
    },
  };
}

export function loadEditorCore(): Promise<EditorCore> {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = 'zar-editor.js';
    script.onload = () => createZarEditor().then((m) => resolve(wrap(m)), reject);
    script.onerror = () => reject(new Error('zar-editor.js could not be loaded'));
    document.head.append(script);
  });
}
