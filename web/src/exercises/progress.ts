// The learner's progress: the names of the exercises whose check passed,
// kept in the browser's localStorage. A browser that keeps nothing (storage
// off, or full) loses the progress, never the page.
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
