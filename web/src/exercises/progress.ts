// The learner's progress: the names of the exercises whose check passed,
// kept in the browser's localStorage. A browser that keeps nothing (storage
// off, or full) loses the progress, never the page.
import { binaryToBytes, bytesToBinary } from '../binary';

const Key = 'zar.exercises.passed';

export function passedExercises(): Set<string> {
  try {
    const kept: unknown = JSON.parse(localStorage.getItem(Key) ?? '[]');
    return new Set(Array.isArray(kept) ? kept.filter((n): n is string => typeof n === 'string') : []);
  } catch {
    return new Set();
  }
}

export function markPassed(name: string) {
  const passed = passedExercises();
  if (passed.has(name)) return;
  passed.add(name);
  try {
    localStorage.setItem(Key, JSON.stringify([...passed].sort()));
  } catch {
    // nothing kept: the mark lasts as long as the page
  }
}

// The learner's source of each exercise, so that going to another exercise
// and back loses nothing. Bytes are kept one character each (code page 1252
// bytes, never decoded).
const sourceKey = (exercise: string) => `zar.exercises.source.${exercise}`;

export function keepSource(exercise: string, name: string, bytes: Uint8Array) {
  try {
    localStorage.setItem(sourceKey(exercise), JSON.stringify({ name, text: bytesToBinary(bytes) }));
  } catch {
    // not kept: the source stays in the page
  }
}

export function keptSource(exercise: string): { name: string; bytes: Uint8Array } | undefined {
  try {
    const kept: unknown = JSON.parse(localStorage.getItem(sourceKey(exercise)) ?? 'null');
    if (!kept || typeof kept !== 'object') return undefined;
    const { name, text } = kept as { name: unknown; text: unknown };
    if (typeof name !== 'string' || typeof text !== 'string') return undefined;
    return { name, bytes: binaryToBytes(text) };
  } catch {
    return undefined;
  }
}
