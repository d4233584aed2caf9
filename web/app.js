// SPDX-License-Identifier: MIT
// The page: reads the function line and the options, asks the worker for a
// run's JSON trace and shows it step by step. All the computing happens in
// the library (worker.js, qmsop_web.wasm); this file only lays out what the
// trace says.
'use strict';

// How much of each list is drawn at first, and per "show more".
const PAGE = { groupItems: 16, pis: 100, chartRows: 40, chartColumns: 24 };
// How many entries per list the trace carries at first; "load more" runs
// again with four times as many.
const TRACE_LIMIT = 1000;
const FILE_NAMES = { text: 'qmsop.txt', json: 'qmsop.json', pla: 'qmsop.pla', verilog: 'qmsop.v' };

const EXAMPLES = [
  ['f(a,b,c) = m(1,3,5,7) + d(0)', 'three variables with a don\'t-care'],
  ['f(a,b,c) = m(0,1,2,5) + d(6,7)', 'the greedy cover is not the smallest: try exact'],
  ['f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)', 'four variables'],
  ['f(a,b,c,d) = m(4,8,10,11,12,15) + d(9,14)', 'four variables with don\'t-cares'],
  ['f(x1,x2,y) = m(01,3x)', 'a number is the value of its leading digits'],
  ['f(a,b) = m(1,2)  + d(0) and the rest is ignored', 'text after the don\'t-cares is ignored'],
  ['f(a, b) = m(1)', 'refused: a blank inside a list'],
  [{ dense: 12 }, '12 variables, 2,048 minterms (generated)'],
  [{ dense: 14 }, '14 variables, 8,192 minterms (generated)'],
];

const $ = (id) => document.getElementById(id);

// Creates an element: h('li', {class: 'x', dataset: {k: 1}}, 'text', child).
function h(tag, attrs, ...children) {
  const el = document.createElement(tag);
  for (const [key, value] of Object.entries(attrs || {})) {
    if (value === null || value === undefined || value === false) continue;
    if (key === 'dataset') Object.assign(el.dataset, value);
    else if (key === 'text') el.textContent = value;
    else if (key.startsWith('on')) el.addEventListener(key.slice(2), value);
    else el.setAttribute(key, value === true ? '' : value);
  }
  for (const child of children) {
    if (child === null || child === undefined || child === false) continue;
    el.append(child instanceof Node ? child : String(child));
  }
  return el;
}

const fmt = (n) => Number(n).toLocaleString('en');
// "1 term", "2 terms".
const count = (n, word, plural = `${word}s`) => `${fmt(n)} ${n === 1 ? word : plural}`;

// A function of n variables, a..n, with half of the points as minterms and a
// tenth as don't-cares, drawn by a fixed xorshift generator.
function denseFunction(n) {
  const size = 2 ** n;
  const points = Array.from({ length: size }, (_, i) => i);
  let state = 0x9e3779b9 ^ n;
  const next = () => {
    state ^= state << 13;
    state ^= state >>> 17;
    state ^= state << 5;
    return (state >>> 0) / 4294967296;
  };
  for (let i = size - 1; i > 0; i--) {
    const j = Math.floor(next() * (i + 1));
    [points[i], points[j]] = [points[j], points[i]];
  }
  const minterms = points.slice(0, size / 2).sort((x, y) => x - y);
  const dontCares = points.slice(size / 2, size / 2 + Math.floor(size / 10)).sort((x, y) => x - y);
  const names = 'abcdefghijklmnopqrstuvwxyz'.slice(0, n).split('');
  return `f(${names.join(',')}) = m(${minterms.join(',')}) + d(${dontCares.join(',')})`;
}

// ---------------------------------------------------------------------------
// The engine: one worker, one request at a time; cancel terminates the
// worker and starts a fresh one.

class Cancelled extends Error {}
// A request cancelled by a newer one: the newer one owns the page.
class Superseded extends Error {}

class Engine {
  // onLoad(error) is called when a worker has loaded the module (error null)
  // or failed to.
  constructor(onLoad) {
    this.onLoad = onLoad;
    this.nextId = 1;
    this.pending = null;
    this.start();
  }

  start() {
    this.worker = new Worker('worker.js');
    this.worker.onmessage = (event) => this.receive(event.data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.fail(new Error(event.message || 'the engine stopped'));
    };
  }

  get busy() {
    return this.pending !== null;
  }

  // Sends one request; a request still running is cancelled first.
  request(message) {
    if (this.pending) this.cancel();
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending = { id, resolve, reject };
      this.worker.postMessage({ id, ...message });
    });
  }

  receive(data) {
    if (data.id === undefined) {
      this.onLoad(data.type === 'error' ? new Error(data.message) : null);
      return;
    }
    if (!this.pending || data.id !== this.pending.id) return;
    if (data.type === 'error') {
      this.fail(new Error(data.message));
      return;
    }
    const { resolve } = this.pending;
    this.pending = null;
    resolve(data);
  }

  // Ends the running request with `error` and starts a fresh worker.
  fail(error) {
    const pending = this.pending;
    this.pending = null;
    this.worker.terminate();
    this.start();
    if (pending) pending.reject(error);
  }

  cancel() {
    if (this.pending) this.fail(new Cancelled('cancelled'));
  }
}

// ---------------------------------------------------------------------------
// Page state.

const state = {
  engine: null,
  trace: null,
  line: '',
  options: null,
  traceLimit: TRACE_LIMIT,
  started: 0,
  runs: 0,
  ticket: 0,
  timer: 0,
  groupShown: new Map(), // "column-group" -> items drawn
  pisShown: PAGE.pis,
  chartRow: 0,
  chartColumn: 0,
};

function readOptions() {
  const form = $('form');
  return {
    cover: form.elements.cover.value,
    timeLimit: Math.max(0.1, Number($('time-limit').value) || 10),
    pos: form.elements.form.value === 'pos',
  };
}

// The status line; its data-state (idle, running, done, refused, cancelled,
// failed) and data-runs (finished runs) let a script follow the page.
function setStatus(text, phase) {
  $('status-text').textContent = text;
  if (phase) $('status').dataset.state = phase;
}

function setBusy(busy, what) {
  $('cancel').disabled = !busy;
  for (const button of document.querySelectorAll('.downloads button')) button.disabled = busy;
  document.body.classList.toggle('busy', busy);
  clearInterval(state.timer);
  $('timer').textContent = '';
  if (busy) {
    state.started = performance.now();
    setStatus(`${what}…`, 'running');
    state.timer = setInterval(() => {
      $('timer').textContent = `${((performance.now() - state.started) / 1000).toFixed(1)} s`;
    }, 100);
  }
}

function elapsed() {
  const ms = performance.now() - state.started;
  return ms < 1000 ? `${Math.round(ms)} ms` : `${(ms / 1000).toFixed(2)} s`;
}

// Sends one request to the worker, with the busy state, the timer and cancel.
async function ask(message, what) {
  const ticket = ++state.ticket;
  setBusy(true, what);
  try {
    return await state.engine.request(message);
  } catch (error) {
    throw ticket === state.ticket ? error : new Superseded();
  } finally {
    if (ticket === state.ticket) setBusy(false);
  }
}

// Runs the line in the input with the chosen options and shows the trace.
async function run({ keepView = false } = {}) {
  const line = $('fn').value;
  const options = readOptions();
  if (!keepView) state.traceLimit = TRACE_LIMIT;
  syncHash(line);
  try {
    const reply = await ask(
      { kind: 'trace', line: `${line}\n`, options: { ...options, traceLimit: state.traceLimit } },
      'Minimising',
    );
    state.line = line;
    state.options = options;
    show(reply.trace, keepView);
    const took = elapsed();
    state.runs += 1;
    $('status').dataset.runs = state.runs;
    if (reply.trace.accepted) setStatus(`Done in ${took}.`, 'done');
    else setStatus(`Input refused (${took}).`, 'refused');
  } catch (error) {
    if (error instanceof Superseded) return;
    if (error instanceof Cancelled) {
      const previous = state.trace && state.line !== line ? ' The page still shows the previous function.' : '';
      setStatus(`Cancelled.${previous} The engine is ready for the next run.`, 'cancelled');
    }
    else setStatus(`The engine failed: ${error.message}`, 'failed');
  }
}

async function download(format) {
  const line = $('fn').value;
  try {
    const reply = await ask(
      { kind: 'file', format, line: `${line}\n`, options: { ...readOptions(), traceLimit: 0 } },
      `Writing the ${format === 'text' ? 'text report' : format.toUpperCase()}`,
    );
    const url = URL.createObjectURL(reply.blob);
    const link = h('a', { href: url, download: FILE_NAMES[format], hidden: true });
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
    setStatus(`Wrote ${FILE_NAMES[format]} (${fmt(reply.blob.size)} bytes).`, 'done');
  } catch (error) {
    if (error instanceof Superseded) return;
    if (error instanceof Cancelled) setStatus('Cancelled.', 'cancelled');
    else setStatus(`The engine failed: ${error.message}`, 'failed');
  }
}

// ---------------------------------------------------------------------------
// The address: index.html#<URL-encoded function line>.

function lineFromHash() {
  const raw = location.hash.slice(1);
  try {
    return decodeURIComponent(raw);
  } catch {
    return raw;
  }
}

function syncHash(line) {
  const hash = `#${encodeURIComponent(line)}`;
  if (location.hash !== hash) history.replaceState(null, '', hash);
}

// ---------------------------------------------------------------------------
// Drawing the trace.

function show(trace, keepView) {
  state.trace = trace;
  if (!keepView) {
    state.groupShown.clear();
    state.pisShown = PAGE.pis;
    state.chartRow = 0;
    state.chartColumn = 0;
  }
  $('output').hidden = false;
  showDiagnostics(trace);
  showFunction(trace);
  showTabulation(trace);
  showPrimeImplicants(trace);
  showChart(trace);
  showResult(trace);
  const note = $('truncated');
  note.hidden = !trace.truncated;
  note.replaceChildren();
  if (trace.truncated) {
    note.append(
      `This function is large: the page holds at most ${fmt(state.traceLimit)} entries of each list (the counts are whole). `,
      loadMoreButton(),
      ' The downloads hold everything.',
    );
  }
}

function loadMoreButton() {
  return h('button', { type: 'button', class: 'load-more', onclick: loadMore }, `Load more (up to ${fmt(state.traceLimit * 4)} per list)`);
}

function loadMore() {
  state.traceLimit *= 4;
  run({ keepView: true });
}

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
  const lineText = state.lineShown;
  const index = item.atEnd ? lineText.length : charIndex(lineText, item.column);
  // A refusal's message names its place; a warning's is put after it.
  const label = kind === 'error' ? 'Refused: ' : `Warning at ${item.atEnd ? 'the end' : `column ${item.column}`}: `;
  const box = h(
    'div',
    { class: kind, role: kind === 'error' ? 'alert' : null, dataset: { column: item.atEnd ? 'end' : item.column } },
    h('p', {}, h('strong', {}, label), h('span', { class: 'message' }, message)),
  );
  if (item.line === 1 || item.line === undefined) {
    box.append(
      markedLine(lineText, index, item.atEnd),
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

function showDiagnostics(trace) {
  state.lineShown = state.line;
  const box = $('diagnostics');
  box.replaceChildren();
  const input = $('fn');
  input.removeAttribute('aria-invalid');
  if (trace.refusal) {
    input.setAttribute('aria-invalid', 'true');
    box.append(diagnostic('error', state.line, trace.refusal, trace.refusal.message));
  }
  for (const warning of trace.warnings || []) {
    box.append(diagnostic('warning', state.line, warning, warning.message));
  }
}

function variableNames(trace) {
  const byWeight = new Map();
  for (const v of trace.function.variables || []) {
    if (v.weight !== null) byWeight.set(v.weight, v.name);
  }
  return byWeight;
}

function showFunction(trace) {
  $('echo').textContent = trace.function.echo;
  const vars = trace.function.variables || [];
  const parts = vars.slice(0, 40).map((v) => (v.weight === null ? `${v.name} (no bit of its own)` : `${v.name} = ${fmt(v.weight)}`));
  let text = vars.length ? `Weights: ${parts.join(', ')}${vars.length > 40 ? ', …' : ''}.` : 'No variables.';
  text += ` ${count(trace.function.minterms.length, 'minterm')}, ${count(trace.function.dontCares.length, "don't-care")}.`;
  if (trace.minimised) {
    const list = (numbers) => (numbers.length > 40 ? `${numbers.slice(0, 40).join(',')},…` : numbers.join(','));
    text += ` For the product of sums, the working below is for the complement: minterms ${list(trace.minimised.minterms)}`;
    text += `, don't-cares ${list(trace.minimised.dontCares) || 'none'}.`;
  }
  $('variables').textContent = text;
}

// --- Tabulation --------------------------------------------------------------

function implicantText(imp) {
  return imp.minterms.join(',');
}

function eliminated(imp, names) {
  return (imp.differences || []).map((w) => names.get(w) ?? String(w));
}

function showTabulation(trace) {
  const names = variableNames(trace);
  const container = $('tabulation');
  container.replaceChildren();
  $('tab-detail').textContent = '';
  const columns = trace.tabulation.columns || [];
  columns.forEach((column, c) => {
    const total = column.groups.reduce((sum, g) => sum + g.count, 0);
    const section = h(
      'section',
      { class: 'tab-column', 'aria-label': `Column ${c + 1}` },
      h('h3', {}, `Column ${c + 1} `, h('span', { class: 'count' }, total === 0 ? 'empty' : c === 0 ? count(total, 'term') : `${count(total, 'term')}, ${c} eliminated`)),
    );
    if (column.groups.length === 0 || total === 0) {
      section.append(h('p', { class: 'hint' }, c === 0 ? 'No terms.' : 'Nothing more to combine: the tabulation ends here.'));
    }
    // Runs of empty groups take one line.
    let emptyFrom = -1;
    const closeEmpty = (g) => {
      if (emptyFrom < 0) return;
      const label = g - 1 === emptyFrom ? `Group ${emptyFrom}` : `Groups ${emptyFrom}–${g - 1}`;
      section.append(h('div', { class: 'group empty' }, h('h4', {}, `${label} `, h('span', { class: 'count' }, 'empty'))));
      emptyFrom = -1;
    };
    column.groups.forEach((group, g) => {
      if (group.count === 0) {
        if (total > 0 && emptyFrom < 0) emptyFrom = g;
        return;
      }
      closeEmpty(g);
      section.append(groupBlock(trace, names, c, g, group));
    });
    closeEmpty(column.groups.length);
    container.append(section);
  });
  const first = container.querySelector('.imp');
  if (first) first.tabIndex = 0;
}

function groupBlock(trace, names, c, g, group) {
  const key = `${c}-${g}`;
  const shown = state.groupShown.get(key) || PAGE.groupItems;
  const list = h('ul', { class: 'group-items' });
  const items = group.implicants.slice(0, shown);
  items.forEach((imp, i) => list.append(implicantItem(names, c, g, i, imp)));
  const block = h(
    'div',
    { class: 'group', role: 'group', 'aria-label': `Group ${g}` },
    h('h4', {}, `Group ${g} `, h('span', { class: 'count' }, group.count === 0 ? 'empty' : `(${fmt(group.count)})`)),
    list,
  );
  const loaded = group.implicants.length;
  if (items.length < loaded) {
    block.append(
      h(
        'button',
        {
          type: 'button',
          class: 'more',
          onclick: () => {
            state.groupShown.set(key, shown + PAGE.groupItems * 4);
            const fresh = groupBlock(trace, names, c, g, group);
            block.replaceWith(fresh);
            const next = fresh.querySelectorAll('.imp')[shown];
            if (next) focusItem(next);
          },
        },
        `Show more (${fmt(items.length)} of ${fmt(group.count)} shown)`,
      ),
    );
  } else if (loaded < group.count) {
    block.append(h('p', { class: 'hint' }, `${fmt(loaded)} of ${fmt(group.count)} loaded. `, loadMoreButton()));
  }
  return block;
}

function implicantItem(names, c, g, i, imp) {
  const gone = eliminated(imp, names);
  const item = h(
    'li',
    {
      class: `imp${imp.combined ? ' combined' : ''}${imp.pi ? ' prime' : ''}`,
      id: `imp-${c}-${g}-${i}`,
      tabindex: '-1',
      dataset: { c, g, i },
    },
    h('span', { class: 'mt' }, implicantText(imp)),
    imp.differences ? h('span', { class: 'diff' }, `(${imp.differences.join(',')})`) : null,
  );
  if (gone.length) {
    item.append(h('span', { class: 'chips', title: 'eliminated variables' }, ...gone.map((n) => h('span', { class: 'chip' }, `−${n}`))));
  }
  if (imp.combined) item.append(h('span', { class: 'mark-combined', title: 'combined into the next column' }, '✓'));
  if (imp.pi) item.append(h('span', { class: 'pi-badge' }, `PI#${imp.pi}`));
  return item;
}

function implicantAt(c, g, i) {
  const column = state.trace.tabulation.columns[c];
  const group = column && column.groups[g];
  return group ? group.implicants[i] : undefined;
}

function describeImplicant(c, g, i) {
  const imp = implicantAt(c, g, i);
  if (!imp) return '';
  const names = variableNames(state.trace);
  const gone = eliminated(imp, names);
  let text = `${implicantText(imp)}${imp.differences ? ` (${imp.differences.join(',')})` : ''}, cube ${imp.cube}`;
  if (gone.length) text += `: ${gone.join(', ')} eliminated`;
  const sources = (imp.from || []).map(([a, b]) => {
    const left = implicantAt(c - 1, g, a);
    const right = implicantAt(c - 1, g + 1, b);
    return `${left ? implicantText(left) : '…'} + ${right ? implicantText(right) : '…'}`;
  });
  if (sources.length) text += `; from ${sources.join(' and ')}`;
  text += imp.pi ? `; prime implicant PI#${imp.pi}.` : imp.combined ? '; combined further.' : '.';
  return text;
}

function clearHighlights(root) {
  for (const el of root.querySelectorAll('.hl, .active')) el.classList.remove('hl', 'active');
}

function highlightImplicant(item) {
  const container = $('tabulation');
  clearHighlights(container);
  const c = Number(item.dataset.c);
  const g = Number(item.dataset.g);
  const i = Number(item.dataset.i);
  item.classList.add('active');
  const imp = implicantAt(c, g, i);
  for (const [a, b] of (imp && imp.from) || []) {
    document.getElementById(`imp-${c - 1}-${g}-${a}`)?.classList.add('hl');
    document.getElementById(`imp-${c - 1}-${g + 1}-${b}`)?.classList.add('hl');
  }
  $('tab-detail').textContent = describeImplicant(c, g, i);
}

function focusItem(item) {
  const container = item.closest('.tab-columns, table');
  for (const el of container.querySelectorAll('[tabindex="0"]')) el.tabIndex = -1;
  item.tabIndex = 0;
  item.focus();
}

function tabulationKeys(event) {
  const item = event.target.closest('.imp');
  if (!item) return;
  const columns = [...$('tabulation').querySelectorAll('.tab-column')].map((col) => [...col.querySelectorAll('.imp')]).filter((l) => l.length);
  const col = columns.findIndex((list) => list.includes(item));
  if (col < 0) return;
  const row = columns[col].indexOf(item);
  let target = null;
  if (event.key === 'ArrowDown') target = columns[col][row + 1];
  else if (event.key === 'ArrowUp') target = columns[col][row - 1];
  else if (event.key === 'ArrowRight' && columns[col + 1]) target = columns[col + 1][Math.min(row, columns[col + 1].length - 1)];
  else if (event.key === 'ArrowLeft' && columns[col - 1]) target = columns[col - 1][Math.min(row, columns[col - 1].length - 1)];
  else if (event.key === 'Home') target = columns[col][0];
  else if (event.key === 'End') target = columns[col][columns[col].length - 1];
  if (target) {
    event.preventDefault();
    focusItem(target);
  }
}

// --- Prime implicants --------------------------------------------------------

function showPrimeImplicants(trace) {
  const pis = trace.primeImplicants || [];
  const total = trace.chart.numRows;
  $('pi-count').textContent = `(${fmt(total)})`;
  $('pi-count').dataset.count = total;
  const list = $('pis');
  list.replaceChildren();
  for (const pi of pis.slice(0, state.pisShown)) {
    list.append(
      h(
        'li',
        { value: pi.pi },
        h('span', { class: 'pi-badge' }, `PI#${pi.pi}`),
        ' ',
        h('span', { class: 'product' }, pi.product || '1'),
        ' ',
        h('span', { class: 'hint' }, pi.text),
      ),
    );
  }
  const more = $('pis-more');
  more.replaceChildren();
  if (pis.length > state.pisShown) {
    more.append(
      h(
        'button',
        {
          type: 'button',
          class: 'more',
          onclick: () => {
            state.pisShown += PAGE.pis * 4;
            showPrimeImplicants(trace);
          },
        },
        `Show more (${fmt(state.pisShown)} of ${fmt(total)} shown)`,
      ),
    );
  } else if (pis.length < total) {
    more.append(h('span', { class: 'hint' }, `${fmt(pis.length)} of ${fmt(total)} loaded. `), loadMoreButton());
  }
}

// --- Chart -------------------------------------------------------------------

function showChart(trace) {
  const chart = trace.chart;
  const rows = chart.rows || [];
  const columns = chart.columns || [];
  const chosen = new Map((trace.chosen || []).map((pi, k) => [pi, k + 1]));
  const essential = new Set(trace.essential || []);
  state.chartRow = Math.min(state.chartRow, Math.max(0, rows.length - 1));
  state.chartColumn = Math.min(state.chartColumn, Math.max(0, columns.length - 1));
  const r0 = state.chartRow - (state.chartRow % PAGE.chartRows);
  const c0 = state.chartColumn - (state.chartColumn % PAGE.chartColumns);
  const r1 = Math.min(rows.length, r0 + PAGE.chartRows);
  const c1 = Math.min(columns.length, c0 + PAGE.chartColumns);

  const pager = $('chart-pager');
  pager.replaceChildren(
    h(
      'form',
      { class: 'goto', onsubmit: (event) => goTo(event, trace) },
      h('label', {}, 'Go to PI# ', h('input', { name: 'pi', type: 'number', min: 1, inputmode: 'numeric' })),
      h('label', {}, ' or minterm ', h('input', { name: 'minterm', type: 'number', min: 0, inputmode: 'numeric' })),
      h('button', { type: 'submit' }, 'Go'),
    ),
    pagerControl('Rows', r0, r1, rows.length, chart.numRows, PAGE.chartRows, (at) => {
      state.chartRow = at;
      showChart(trace);
    }),
    pagerControl('Columns', c0, c1, columns.length, chart.numColumns, PAGE.chartColumns, (at) => {
      state.chartColumn = at;
      showChart(trace);
    }),
  );

  const table = $('chart');
  table.replaceChildren();
  $('chart-detail').textContent = '';
  const caption = h('caption', { class: 'visually-hidden' }, `Prime-implicant chart: rows ${r0 + 1} to ${r1} of ${chart.numRows}, columns ${c0 + 1} to ${c1} of ${chart.numColumns}`);
  const head = h('tr', {}, h('th', { scope: 'col', class: 'corner' }, 'PI'));
  for (let j = c0; j < c1; j++) {
    head.append(h('th', { scope: 'col', class: 'mcol', tabindex: '-1', dataset: { j } }, String(columns[j])));
  }
  const body = h('tbody');
  for (let k = r0; k < r1; k++) {
    const pi = k + 1;
    const covered = new Set(rows[k]);
    const order = chosen.get(pi);
    const th = h(
      'th',
      { scope: 'row', class: 'rowhead', tabindex: '-1', dataset: { pi } },
      h('span', { class: 'star', 'aria-hidden': 'true' }, order ? '*' : ''),
      h('span', { class: 'pinum' }, String(pi)),
      order ? h('span', { class: 'visually-hidden' }, ' chosen') : null,
      essential.has(pi) ? h('span', { class: 'ess-badge' }, 'essential') : null,
    );
    const tr = h('tr', { class: `${order ? 'chosen' : ''}${essential.has(pi) ? ' essential' : ''}`.trim() || null, dataset: { pi } }, th);
    for (let j = c0; j < c1; j++) {
      tr.append(h('td', { dataset: { j } }, covered.has(j) ? 'X' : ''));
    }
    body.append(tr);
  }
  if (r1 === r0) {
    body.append(h('tr', {}, h('td', { colspan: c1 - c0 + 1, class: 'hint' }, 'No prime implicants.')));
  }
  table.append(caption, h('thead', {}, head), body);
  const first = table.querySelector('.rowhead') || table.querySelector('.mcol');
  if (first) first.tabIndex = 0;
}

function pagerControl(label, from, to, loaded, total, step, go) {
  const group = h('div', { class: 'pager-group', role: 'group', 'aria-label': label });
  group.append(h('span', {}, `${label} ${total ? fmt(from + 1) : 0}–${fmt(to)} of ${fmt(total)}`));
  group.append(h('button', { type: 'button', disabled: from === 0, onclick: () => go(Math.max(0, from - step)), 'aria-label': `Previous ${label.toLowerCase()}` }, '‹ Previous'));
  group.append(h('button', { type: 'button', disabled: to >= loaded, onclick: () => go(to), 'aria-label': `Next ${label.toLowerCase()}` }, 'Next ›'));
  if (to >= loaded && loaded < total) group.append(loadMoreButton());
  return group;
}

// Shows row k (0-based) with its first column in view, and points at it.
function showRow(trace, k) {
  state.chartRow = k;
  const covers = trace.chart.rows[k] || [];
  if (covers.length && covers[0] < trace.chart.columns.length) state.chartColumn = covers[0];
  showChart(trace);
  const th = $('chart').querySelector(`.rowhead[data-pi="${k + 1}"]`);
  if (th) {
    focusItem(th);
    highlightRow(th);
  }
}

// Shows column j with its first candidate row in view, and points at it.
function showColumn(trace, j) {
  state.chartColumn = j;
  const rows = trace.chart.candidates[j] || [];
  if (rows.length && rows[0] <= trace.chart.rows.length) state.chartRow = rows[0] - 1;
  showChart(trace);
  const th = $('chart').querySelector(`.mcol[data-j="${j}"]`);
  if (th) {
    focusItem(th);
    highlightColumn(th);
  }
}

function goTo(event, trace) {
  event.preventDefault();
  const form = event.target;
  const pi = form.elements.pi.value;
  const minterm = form.elements.minterm.value;
  if (pi !== '') {
    const k = Number(pi) - 1;
    if (k >= 0 && k < trace.chart.rows.length) showRow(trace, k);
    else $('chart-detail').textContent = k >= 0 && k < trace.chart.numRows ? `PI#${pi} is not loaded yet: load more.` : `There is no PI#${pi}.`;
  } else if (minterm !== '') {
    const j = trace.chart.columns.indexOf(Number(minterm));
    if (j >= 0) showColumn(trace, j);
    else $('chart-detail').textContent = `Minterm ${minterm} has no column${trace.chart.columns.length < trace.chart.numColumns ? ' among the loaded ones' : ''}.`;
  }
}

function highlightRow(th) {
  const table = $('chart');
  clearHighlights(table);
  const pi = Number(th.dataset.pi);
  th.closest('tr').classList.add('active');
  const trace = state.trace;
  const covers = trace.chart.rows[pi - 1] || [];
  for (const j of covers) {
    for (const cell of table.querySelectorAll(`[data-j="${j}"]`)) cell.classList.add('hl');
  }
  const info = trace.primeImplicants[pi - 1];
  const order = (trace.chosen || []).indexOf(pi);
  const loaded = trace.chart.columns.length;
  const known = covers.filter((j) => j < loaded).map((j) => trace.chart.columns[j]);
  const unknown = covers.length - known.length;
  let text = `PI#${pi}${info ? ` (${info.product || '1'})` : ''} covers `;
  const parts = [];
  if (known.length) parts.push(`the minterm${known.length === 1 ? '' : 's'} ${known.join(', ')}`);
  if (unknown) parts.push(`${count(unknown, 'column')} not loaded`);
  text += parts.join(' and ') || 'no minterm';
  if ((trace.essential || []).includes(pi)) text += '; essential';
  text += order >= 0 ? `; chosen, number ${order + 1} in the order of choice.` : '; not chosen.';
  $('chart-detail').textContent = text;
}

function highlightColumn(th) {
  const table = $('chart');
  clearHighlights(table);
  const j = Number(th.dataset.j);
  th.classList.add('active');
  const trace = state.trace;
  const rows = trace.chart.candidates[j] || [];
  for (const pi of rows) {
    table.querySelector(`tr[data-pi="${pi}"]`)?.classList.add('hl');
  }
  $('chart-detail').textContent = `Minterm ${trace.chart.columns[j]} is covered by ${rows.map((pi) => `PI#${pi}`).join(', ') || 'no row'}${rows.length === 1 ? ', which is therefore essential' : ''}.`;
}

function chartKeys(event) {
  const cell = event.target.closest('.rowhead, .mcol');
  if (!cell) return;
  const table = $('chart');
  const heads = [...table.querySelectorAll(cell.classList.contains('rowhead') ? '.rowhead' : '.mcol')];
  const at = heads.indexOf(cell);
  const rowwise = cell.classList.contains('rowhead');
  const key = event.key;
  let target = null;
  if ((rowwise && key === 'ArrowDown') || (!rowwise && key === 'ArrowRight')) target = heads[at + 1];
  else if ((rowwise && key === 'ArrowUp') || (!rowwise && key === 'ArrowLeft')) target = heads[at - 1];
  else if (rowwise && key === 'ArrowRight') target = table.querySelector('.mcol');
  else if (!rowwise && key === 'ArrowDown') target = table.querySelector('.rowhead');
  else if (key === 'Home') target = heads[0];
  else if (key === 'End') target = heads[heads.length - 1];
  else if (key === 'Enter') {
    // Brings the row's first column (the column's first row) into view.
    event.preventDefault();
    if (rowwise) showRow(state.trace, Number(cell.dataset.pi) - 1);
    else showColumn(state.trace, Number(cell.dataset.j));
    return;
  }
  if (target) {
    event.preventDefault();
    focusItem(target);
  }
}

// --- Result ------------------------------------------------------------------

function showResult(trace) {
  $('result').textContent = trace.result.text;
  $('certificate').textContent = trace.certificate ? `Exact cover: ${trace.certificate.text}` : '';
  const chosen = trace.chosen || [];
  const essential = trace.essential || [];
  let summary = `${count(trace.chart.numRows, 'prime implicant')}, ${fmt(essential.length)} essential, ${fmt(chosen.length)} chosen.`;
  if (trace.result.constant === 0) summary += ' The function is constant 0.';
  else if (trace.result.constant === 1) summary += ' The function is constant 1.';
  if (trace.result.form === 'pos') {
    const products = chosen.map((pi) => trace.primeImplicants[pi - 1]?.product);
    if (chosen.length && products.every((p) => p !== undefined)) {
      summary += ` The complement is ${products.map((p) => p || '1').join(' + ')}; each of its products, negated, is a sum of the result.`;
    } else {
      summary += ' The products chosen for the complement, negated, give the sums of the result.';
    }
  }
  $('summary').textContent = summary;
}

async function copyResult() {
  const text = $('result').textContent;
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    const range = document.createRange();
    range.selectNodeContents($('result'));
    const selection = getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    document.execCommand('copy');
  }
  setStatus('Result copied.');
}

// ---------------------------------------------------------------------------
// Wiring.

function exampleLine(value) {
  return typeof value === 'string' ? value : denseFunction(value.dense);
}

function init() {
  const select = $('examples');
  EXAMPLES.forEach(([value, label], k) => {
    const text = typeof value === 'string' ? `${value}  (${label})` : label;
    select.append(h('option', { value: String(k) }, text));
  });
  select.addEventListener('change', () => {
    if (select.value === '') return;
    $('fn').value = exampleLine(EXAMPLES[Number(select.value)][0]);
    run();
  });

  $('form').addEventListener('submit', (event) => {
    event.preventDefault();
    run();
  });
  $('fn').addEventListener('input', () => syncHash($('fn').value));
  $('cancel').addEventListener('click', () => state.engine.cancel());
  $('copy').addEventListener('click', copyResult);
  for (const button of document.querySelectorAll('.downloads button')) {
    button.addEventListener('click', () => download(button.dataset.format));
  }
  const timeLimit = $('time-limit');
  const syncTimeLimit = () => {
    timeLimit.disabled = $('form').elements.cover.value !== 'exact';
  };
  syncTimeLimit();
  for (const input of document.querySelectorAll('input[name="cover"], input[name="form"]')) {
    input.addEventListener('change', () => {
      syncTimeLimit();
      if (state.trace) run();
    });
  }
  timeLimit.addEventListener('change', () => {
    if (state.trace) run();
  });

  const tabulation = $('tabulation');
  tabulation.addEventListener('pointerover', (event) => {
    const item = event.target.closest('.imp');
    if (item) highlightImplicant(item);
  });
  tabulation.addEventListener('focusin', (event) => {
    const item = event.target.closest('.imp');
    if (item) highlightImplicant(item);
  });
  tabulation.addEventListener('keydown', tabulationKeys);

  const chart = $('chart');
  const chartHover = (event) => {
    const row = event.target.closest('tr[data-pi]');
    const column = event.target.closest('.mcol');
    if (column) highlightColumn(column);
    else if (row) highlightRow(row.querySelector('.rowhead'));
  };
  chart.addEventListener('pointerover', chartHover);
  chart.addEventListener('focusin', chartHover);
  chart.addEventListener('keydown', chartKeys);
  chart.addEventListener('dblclick', (event) => {
    const cell = event.target.closest('.rowhead, .mcol');
    if (!cell) return;
    if (cell.classList.contains('rowhead')) showRow(state.trace, Number(cell.dataset.pi) - 1);
    else showColumn(state.trace, Number(cell.dataset.j));
  });

  window.addEventListener('hashchange', () => {
    const line = lineFromHash();
    if (line !== $('fn').value) {
      $('fn').value = line;
      run();
    }
  });

  state.engine = new Engine((error) => {
    if (error) setStatus(`The engine did not load: ${error.message}`, 'failed');
    else if ($('status-text').textContent === 'Loading the engine…') setStatus('Ready.', 'idle');
  });
  const fromHash = location.hash.length > 1 ? lineFromHash() : null;
  $('fn').value = fromHash ?? EXAMPLES[0][0];
  run();
}

init();
