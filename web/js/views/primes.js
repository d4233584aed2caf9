// SPDX-License-Identifier: MIT
// Step 2, the prime implicants: the numbered list, drawn a page at a time.
import { $, fmt, h } from '../dom.js';
import { PAGE } from './view.js';

export function showPrimeImplicants(drawing) {
  const { trace, view, moreButton } = drawing;
  const pis = trace.primeImplicants || [];
  const total = trace.chart.numRows;
  $('pi-count').textContent = `(${fmt(total)})`;
  $('pi-count').dataset.count = total;
  const list = $('pis');
  list.replaceChildren();
  for (const pi of pis.slice(0, view.pisShown)) {
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
  if (pis.length > view.pisShown) {
    more.append(
      h(
        'button',
        {
          type: 'button',
          class: 'more',
          onclick: () => {
            view.pisShown += PAGE.pis * 4;
            showPrimeImplicants(drawing);
          },
        },
        `Show more (${fmt(view.pisShown)} of ${fmt(total)} shown)`,
      ),
    );
  } else if (pis.length < total) {
    more.append(h('span', { class: 'hint' }, `${fmt(pis.length)} of ${fmt(total)} loaded. `), moreButton());
  }
}
