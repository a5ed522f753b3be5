// File names in the learner's list: what a name may be, and a free name
// beside the taken ones ("prog.OIA", "prog-2.OIA", "prog-3.OIA", ...).

export const NameLimit = 100;

// Why a name cannot be used, or undefined when it can.
export function nameProblem(name: string): string | undefined {
  if (name.trim() === '') return 'a file needs a name';
  if (name !== name.trim()) return 'a name cannot start or end with a space';
  if (name.length > NameLimit) return `a name has at most ${NameLimit} characters`;
  if (/[/\\:*?"<>|\u0000-\u001f\u007f]/.test(name)) return 'a name cannot hold / \\ : * ? " < > | or control characters';
  return undefined;
}

// The name itself when it is free, else the first free "stem-N.ext".
export function freeName(name: string, taken: Iterable<string>): string {
  const used = new Set(taken);
  if (!used.has(name)) return name;
  const dot = name.lastIndexOf('.');
  const [stem, ext] = dot > 0 ? [name.slice(0, dot), name.slice(dot)] : [name, ''];
  for (let n = 2; ; ++n) {
    const candidate = `${stem}-${n}${ext}`;
    if (!used.has(candidate)) return candidate;
  }
}

export function sameBytes(a: Uint8Array, b: Uint8Array): boolean {
  return a.length === b.length && a.every((v, i) => v === b[i]);
}
