// Markdown for the page: the docs, an exercise's task, a task that came by a
// link. The HTML marked makes is cleaned by DOMPurify, so that no script,
// handler or raw HTML of the text reaches the page, whatever its source.
import DOMPurify from 'dompurify';
import { marked } from 'marked';

export function renderMarkdown(text: string, into: HTMLElement) {
  const html = marked.parse(text, { async: false, gfm: true });
  into.innerHTML = DOMPurify.sanitize(html, { USE_PROFILES: { html: true }, FORBID_TAGS: ['style', 'form', 'input'] });
  // Links open beside the page, never in place of the learner's work.
  for (const a of into.querySelectorAll('a')) {
    a.target = '_blank';
    a.rel = 'noopener noreferrer';
  }
}
