// SPDX-License-Identifier: MIT
// A trace cut to its first entries: the note that says so, and the "Load
// more" button that asks for a larger one.
import { $, fmt, h } from '../dom.js';

// A button that runs again with four times `traceLimit` entries per list.
export function loadMoreButton(traceLimit, onLoadMore) {
  return h('button', { type: 'button', class: 'load-more', onclick: onLoadMore }, `Load more (up to ${fmt(traceLimit * 4)} per list)`);
}

export function showTruncated({ trace, moreButton }, traceLimit) {
  const note = $('truncated');
  note.hidden = !trace.truncated;
  note.replaceChildren();
  if (trace.truncated) {
    note.append(
      `This function is large: the page holds at most ${fmt(traceLimit)} entries of each list (the counts are whole). `,
      moreButton(),
      ' The downloads hold everything.',
    );
  }
}
