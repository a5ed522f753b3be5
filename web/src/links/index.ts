// Sharing by link: Copy Link puts the source being worked on into the
// address's fragment and on the clipboard; opening such a link shows its
// source as a new file (the learner's files stay as they are) or opens its
// exercise. A link that is too long, damaged or not ZAR's changes nothing
// and says why.
import { openExercise } from '../exercises/index';
import type { Files } from '../files/index';
import type { Page } from '../page';
import { exerciseJsonFragment, isJsonObject, LinkLimit, parseFragment, sourceFragment } from './codec';

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;
const OwnKey = 'zar-own-link'; // the fragment this tab made: no arrival
const kb = (n: number) => `${Math.max(1, Math.round(n / 1024))} KB`;
const here = () => `${location.origin}${location.pathname}${location.search}`;

// The link this tab made last (and sets it); web storage may be off.
function ownLink(fragment?: string): string | null {
  try {
    if (fragment !== undefined) sessionStorage.setItem(OwnKey, fragment);
    return sessionStorage.getItem(OwnKey);
  } catch {
    return null;
  }
}

async function copy(url: string): Promise<boolean> {
  try {
    await navigator.clipboard.writeText(url);
    return true;
  } catch {
    return false;
  }
}

export function initLinks(page: Page, files: Files) {
  const note = (text: string) => {
    $('linkNote').textContent = text;
  };

  async function copyLink() {
    const f = page.workspace.current();
    const fragment = await sourceFragment(f.name, f.bytes);
    if (fragment.length > LinkLimit) {
      return note(`${f.name} is too long for a link (${kb(fragment.length)}; at most 32 KB): download it from Files.`);
    }
    history.replaceState(null, '', `${here()}#${fragment}`);
    ownLink(fragment);
    note(
      (await copy(location.href))
        ? `Copied a link to ${f.name} (${kb(fragment.length)}).`
        : `The link to ${f.name} is in the address bar: copy it from there.`,
    );
  }

  async function arrive() {
    const hash = location.hash.slice(1);
    if (hash === '') return;
    history.replaceState(null, '', here());
    if (hash === ownLink()) return;
    const parsed = await parseFragment(hash);
    if (!parsed) return;
    if ('error' in parsed) return note(parsed.error);
    const link = parsed.link;
    if (link.kind === 'source') {
      page.workspace.open({ name: link.name, bytes: link.bytes }, 'link');
      await files.keeper.flush();
      return note(`Opened ${page.workspace.current().name} from the link; it is kept in Files.`);
    }
    const opened = await openExercise(page, link.kind === 'exercise' ? { name: link.name } : { json: link.json });
    if (typeof opened === 'string') note(`The exercise of this link cannot be opened: ${opened}`);
  }

  // A teacher's exercise (its JSON file) as a link to hand out.
  const chooser = $<HTMLInputElement>('exerciseJson');
  $('filesExerciseLink').addEventListener('click', () => chooser.click());
  chooser.addEventListener('change', async () => {
    const f = chooser.files?.[0];
    chooser.value = '';
    if (!f) return;
    const out = $<HTMLInputElement>('exerciseLinkOut');
    const text = await f.text();
    if (!isJsonObject(text)) {
      out.hidden = true;
      return note(`${f.name} is not an exercise in JSON: no link was made.`);
    }
    const fragment = await exerciseJsonFragment(text);
    if (fragment.length > LinkLimit) {
      out.hidden = true;
      return note(`${f.name} is too long for a link (${kb(fragment.length)}; at most 32 KB).`);
    }
    out.value = `${here()}#${fragment}`;
    out.hidden = false;
    out.select();
    note(`${(await copy(out.value)) ? 'Copied a' : 'Made a'} link to the exercise of ${f.name} (${kb(fragment.length)}).`);
  });

  page.action('mlink', () => void copyLink());
  addEventListener('hashchange', () => void arrive());
  void files.ready.then(arrive);
}
