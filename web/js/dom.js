// SPDX-License-Identifier: MIT
// Small helpers for drawing the page: element lookup and creation, number
// formatting, and the roving focus and highlights shared by the tabulation
// and the chart.

export const $ = (id) => document.getElementById(id);

// Creates an element: h('li', {class: 'x', dataset: {k: 1}}, 'text', child).
export function h(tag, attrs, ...children) {
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

export const fmt = (n) => Number(n).toLocaleString('en');
// "1 term", "2 terms".
export const count = (n, word, plural = `${word}s`) => `${fmt(n)} ${n === 1 ? word : plural}`;

export function clearHighlights(root) {
  for (const el of root.querySelectorAll('.hl, .active')) el.classList.remove('hl', 'active');
}

// Moves the one tab stop of the tabulation (or the chart) to `item` and
// focuses it.
export function focusItem(item) {
  const container = item.closest('.tab-columns, table');
  for (const el of container.querySelectorAll('[tabindex="0"]')) el.tabIndex = -1;
  item.tabIndex = 0;
  item.focus();
}
