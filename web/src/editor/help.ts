// Help beside the editor: the language reference and the tutorial, rendered
// from docs/, and every example to open. A link to the other document shows
// it in place; a tutorial program can be put into the editor with a click.
import { renderMarkdown } from '../markdown';

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

// A document's program k goes into the editor as "tutorial-k.OIA" (or
// "language-k.OIA"): each step a source of its own in the file list.
export function initHelp(putIntoEditor: (text: string, name: string) => void) {
  const dialog = $<HTMLDialogElement>('asm-help');
  const body = $('asm-help-text');
  const show = async (file: string) => {
    const text = await (await fetch(`docs/${file}`)).text();
    renderMarkdown(text, body);
    const programs = body.querySelectorAll<HTMLElement>('pre > code.language-oia, pre > code.language-oia-fails');
    for (const [k, code] of [...programs].entries()) {
      const put = document.createElement('button');
      put.textContent = 'Put into SourceCode';
      put.className = 'put-source';
      put.addEventListener('click', () => {
        putIntoEditor(code.textContent!.replace(/\n$/, ''), `${file.replace(/\.md$/, '')}-${k + 1}.OIA`);
        dialog.close();
      });
      code.parentElement!.before(put);
    }
    if (!dialog.open) dialog.showModal();
    body.scrollTop = 0;
    dialog.dataset.file = file;
  };
  // The documents link each other by file name.
  body.addEventListener('click', (e) => {
    const a = (e.target as HTMLElement).closest('a');
    const href = a?.getAttribute('href') ?? '';
    const doc = /^(language|tutorial)\.md(#.*)?$/.exec(href);
    if (!doc) return;
    e.preventDefault();
    void show(`${doc[1]}.md`);
  });
  $('mhelplanguage').addEventListener('click', () => void show('language.md'));
  $('mhelptutorial').addEventListener('click', () => void show('tutorial.md'));
}

export async function listExamples(choose: (name: string, bytes: Uint8Array) => void) {
  const select = $<HTMLSelectElement>('mexamples');
  const names = (await (await fetch('examples/index.json')).json()) as string[];
  for (const name of names) select.add(new Option(name, name));
  select.addEventListener('change', async () => {
    const name = select.value;
    select.value = '';
    if (name) choose(name, new Uint8Array(await (await fetch(`examples/${encodeURIComponent(name)}`)).arrayBuffer()));
  });
}
