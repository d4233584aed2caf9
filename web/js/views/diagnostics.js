// SPDX-License-Identifier: MIT
// The refusal and the warnings under the function line: each message with
// its place in the line marked, and a button that selects it in the input.
import { $, h } from '../dom.js';

// The character index in `line` of the 1-based byte column `column`.
function charIndex(line, column) {
  const bytes = new TextEncoder().encode(line);
  return new TextDecoder().decode(bytes.slice(0, Math.max(0, column - 1))).length;
}

// The line with the character at `index` marked and a caret under it; long
// lines are cut to a window around the mark.
function markedLine(line, index, atEnd) {
  const at = atEnd ? line.length : Math.min(index, line.length);
  const from = Math.max(0, at - 40);
  const to = Math.min(line.length, at + 40);
  const before = (from > 0 ? '…' : '') + line.slice(from, at);
  const marked = at < line.length ? line[at] : ' ';
  const after = line.slice(at + 1, to) + (to < line.length ? '…' : '');
  return h(
    'pre',
    { class: 'marked mono', 'aria-hidden': 'true' },
    h('span', {}, before),
    h('mark', { dataset: { index: at } }, marked),
    h('span', {}, after),
    '\n',
    h('span', { class: 'caret' }, `${' '.repeat(before.length)}^`),
  );
}

function diagnostic(kind, line, item, message) {
  const index = item.atEnd ? line.length : charIndex(line, item.column);
  // A refusal's message names its place; a warning's is put after it.
  const label = kind === 'error' ? 'Refused: ' : `Warning at ${item.atEnd ? 'the end' : `column ${item.column}`}: `;
  const box = h(
    'div',
    { class: kind, role: kind === 'error' ? 'alert' : null, dataset: { column: item.atEnd ? 'end' : item.column } },
    h('p', {}, h('strong', {}, label), h('span', { class: 'message' }, message)),
  );
  if (item.line === 1 || item.line === undefined) {
    box.append(
      markedLine(line, index, item.atEnd),
      h('button', { type: 'button', class: 'link', onclick: () => selectInLine(index) }, 'Show in the line'),
    );
  }
  return box;
}

function selectInLine(index) {
  const input = $('fn');
  input.focus();
  input.setSelectionRange(index, Math.min(index + 1, input.value.length));
}

// The diagnostics of `trace`, a run of `line`.
export function showDiagnostics(trace, line) {
  const box = $('diagnostics');
  box.replaceChildren();
  const input = $('fn');
  input.removeAttribute('aria-invalid');
  if (trace.refusal) {
    input.setAttribute('aria-invalid', 'true');
    box.append(diagnostic('error', line, trace.refusal, trace.refusal.message));
  }
  for (const warning of trace.warnings || []) {
    box.append(diagnostic('warning', line, warning, warning.message));
  }
}
