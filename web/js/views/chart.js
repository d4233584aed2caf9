// SPDX-License-Identifier: MIT
// Step 3, the prime-implicant chart: a window of rows and columns with its
// pager and "go to" form; pointing at a row shows its columns, at a column
// the rows that cover it.
import { $, clearHighlights, count, fmt, focusItem, h } from '../dom.js';
import { PAGE } from './view.js';

export function showChart(drawing) {
  const { trace, view } = drawing;
  const chart = trace.chart;
  const rows = chart.rows || [];
  const columns = chart.columns || [];
  const chosen = new Map((trace.chosen || []).map((pi, k) => [pi, k + 1]));
  const essential = new Set(trace.essential || []);
  view.chartRow = Math.min(view.chartRow, Math.max(0, rows.length - 1));
  view.chartColumn = Math.min(view.chartColumn, Math.max(0, columns.length - 1));
  const r0 = view.chartRow - (view.chartRow % PAGE.chartRows);
  const c0 = view.chartColumn - (view.chartColumn % PAGE.chartColumns);
  const r1 = Math.min(rows.length, r0 + PAGE.chartRows);
  const c1 = Math.min(columns.length, c0 + PAGE.chartColumns);

  const pager = $('chart-pager');
  pager.replaceChildren(
    h(
      'form',
      { class: 'goto', onsubmit: (event) => goTo(drawing, event) },
      h('label', {}, 'Go to PI# ', h('input', { name: 'pi', type: 'number', min: 1, inputmode: 'numeric' })),
      h('label', {}, ' or minterm ', h('input', { name: 'minterm', type: 'number', min: 0, inputmode: 'numeric' })),
      h('button', { type: 'submit' }, 'Go'),
    ),
    pagerControl(drawing, 'Rows', r0, r1, rows.length, chart.numRows, PAGE.chartRows, (at) => {
      view.chartRow = at;
      showChart(drawing);
    }),
    pagerControl(drawing, 'Columns', c0, c1, columns.length, chart.numColumns, PAGE.chartColumns, (at) => {
      view.chartColumn = at;
      showChart(drawing);
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

function pagerControl({ moreButton }, label, from, to, loaded, total, step, go) {
  const group = h('div', { class: 'pager-group', role: 'group', 'aria-label': label });
  group.append(h('span', {}, `${label} ${total ? fmt(from + 1) : 0}–${fmt(to)} of ${fmt(total)}`));
  group.append(h('button', { type: 'button', disabled: from === 0, onclick: () => go(Math.max(0, from - step)), 'aria-label': `Previous ${label.toLowerCase()}` }, '‹ Previous'));
  group.append(h('button', { type: 'button', disabled: to >= loaded, onclick: () => go(to), 'aria-label': `Next ${label.toLowerCase()}` }, 'Next ›'));
  if (to >= loaded && loaded < total) group.append(moreButton());
  return group;
}

// Shows row k (0-based) with its first column in view, and points at it.
export function showRow(drawing, k) {
  const { trace, view } = drawing;
  view.chartRow = k;
  const covers = trace.chart.rows[k] || [];
  if (covers.length && covers[0] < trace.chart.columns.length) view.chartColumn = covers[0];
  showChart(drawing);
  const th = $('chart').querySelector(`.rowhead[data-pi="${k + 1}"]`);
  if (th) {
    focusItem(th);
    highlightRow(trace, th);
  }
}

// Shows column j with its first candidate row in view, and points at it.
export function showColumn(drawing, j) {
  const { trace, view } = drawing;
  view.chartColumn = j;
  const rows = trace.chart.candidates[j] || [];
  if (rows.length && rows[0] <= trace.chart.rows.length) view.chartRow = rows[0] - 1;
  showChart(drawing);
  const th = $('chart').querySelector(`.mcol[data-j="${j}"]`);
  if (th) {
    focusItem(th);
    highlightColumn(trace, th);
  }
}

function goTo(drawing, event) {
  const { trace } = drawing;
  event.preventDefault();
  const form = event.target;
  const pi = form.elements.pi.value;
  const minterm = form.elements.minterm.value;
  if (pi !== '') {
    const k = Number(pi) - 1;
    if (k >= 0 && k < trace.chart.rows.length) showRow(drawing, k);
    else $('chart-detail').textContent = k >= 0 && k < trace.chart.numRows ? `PI#${pi} is not loaded yet: load more.` : `There is no PI#${pi}.`;
  } else if (minterm !== '') {
    const j = trace.chart.columns.indexOf(Number(minterm));
    if (j >= 0) showColumn(drawing, j);
    else $('chart-detail').textContent = `Minterm ${minterm} has no column${trace.chart.columns.length < trace.chart.numColumns ? ' among the loaded ones' : ''}.`;
  }
}

// Points at the row of the heading `th`: marks the columns it covers and
// describes it.
export function highlightRow(trace, th) {
  const table = $('chart');
  clearHighlights(table);
  const pi = Number(th.dataset.pi);
  th.closest('tr').classList.add('active');
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

// Points at the column of the heading `th`: marks the rows that cover it and
// names them.
export function highlightColumn(trace, th) {
  const table = $('chart');
  clearHighlights(table);
  const j = Number(th.dataset.j);
  th.classList.add('active');
  const rows = trace.chart.candidates[j] || [];
  for (const pi of rows) {
    table.querySelector(`tr[data-pi="${pi}"]`)?.classList.add('hl');
  }
  $('chart-detail').textContent = `Minterm ${trace.chart.columns[j]} is covered by ${rows.map((pi) => `PI#${pi}`).join(', ') || 'no row'}${rows.length === 1 ? ', which is therefore essential' : ''}.`;
}

// The arrow keys, Home and End move between the headings of the chart;
// Enter brings a row's first column (a column's first row) into view.
export function chartKeys(drawing, event) {
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
    event.preventDefault();
    showHeading(drawing, cell);
    return;
  }
  if (target) {
    event.preventDefault();
    focusItem(target);
  }
}

// Brings the first column of the row heading `cell` (the first row of the
// column heading) into view.
export function showHeading(drawing, cell) {
  if (cell.classList.contains('rowhead')) showRow(drawing, Number(cell.dataset.pi) - 1);
  else showColumn(drawing, Number(cell.dataset.j));
}
