// SPDX-License-Identifier: MIT
// Step 1, the tabulation: a column per round of combining, a block per group
// of terms, each term with its eliminated variables and marks; pointing at a
// term shows the two terms it came from.
import { $, clearHighlights, count, fmt, focusItem, h } from '../dom.js';
import { PAGE } from './view.js';

// The variables' names by their weights.
function variableNames(trace) {
  const byWeight = new Map();
  for (const v of trace.function.variables || []) {
    if (v.weight !== null) byWeight.set(v.weight, v.name);
  }
  return byWeight;
}

function implicantText(imp) {
  return imp.minterms.join(',');
}

function eliminated(imp, names) {
  return (imp.differences || []).map((w) => names.get(w) ?? String(w));
}

export function showTabulation(drawing) {
  const { trace } = drawing;
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
      section.append(groupBlock(drawing, names, c, g, group));
    });
    closeEmpty(column.groups.length);
    container.append(section);
  });
  const first = container.querySelector('.imp');
  if (first) first.tabIndex = 0;
}

function groupBlock(drawing, names, c, g, group) {
  const { view, moreButton } = drawing;
  const key = `${c}-${g}`;
  const shown = view.groupShown.get(key) || PAGE.groupItems;
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
            view.groupShown.set(key, shown + PAGE.groupItems * 4);
            const fresh = groupBlock(drawing, names, c, g, group);
            block.replaceWith(fresh);
            const next = fresh.querySelectorAll('.imp')[shown];
            if (next) focusItem(next);
          },
        },
        `Show more (${fmt(items.length)} of ${fmt(group.count)} shown)`,
      ),
    );
  } else if (loaded < group.count) {
    block.append(h('p', { class: 'hint' }, `${fmt(loaded)} of ${fmt(group.count)} loaded. `, moreButton()));
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

function implicantAt(trace, c, g, i) {
  const column = trace.tabulation.columns[c];
  const group = column && column.groups[g];
  return group ? group.implicants[i] : undefined;
}

function describeImplicant(trace, c, g, i) {
  const imp = implicantAt(trace, c, g, i);
  if (!imp) return '';
  const names = variableNames(trace);
  const gone = eliminated(imp, names);
  let text = `${implicantText(imp)}${imp.differences ? ` (${imp.differences.join(',')})` : ''}, cube ${imp.cube}`;
  if (gone.length) text += `: ${gone.join(', ')} eliminated`;
  const sources = (imp.from || []).map(([a, b]) => {
    const left = implicantAt(trace, c - 1, g, a);
    const right = implicantAt(trace, c - 1, g + 1, b);
    return `${left ? implicantText(left) : '…'} + ${right ? implicantText(right) : '…'}`;
  });
  if (sources.length) text += `; from ${sources.join(' and ')}`;
  text += imp.pi ? `; prime implicant PI#${imp.pi}.` : imp.combined ? '; combined further.' : '.';
  return text;
}

// Points at the term `item` of the tabulation of `trace`: marks it and the
// two terms it came from, and describes it.
export function highlightImplicant(trace, item) {
  const container = $('tabulation');
  clearHighlights(container);
  const c = Number(item.dataset.c);
  const g = Number(item.dataset.g);
  const i = Number(item.dataset.i);
  item.classList.add('active');
  const imp = implicantAt(trace, c, g, i);
  for (const [a, b] of (imp && imp.from) || []) {
    document.getElementById(`imp-${c - 1}-${g}-${a}`)?.classList.add('hl');
    document.getElementById(`imp-${c - 1}-${g + 1}-${b}`)?.classList.add('hl');
  }
  $('tab-detail').textContent = describeImplicant(trace, c, g, i);
}

// The arrow keys, Home and End move between the terms of the tabulation.
export function tabulationKeys(event) {
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
