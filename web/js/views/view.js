// SPDX-License-Identifier: MIT
// What the views draw from. A view function takes a drawing
// {trace, view, moreButton}:
//   trace       the run's JSON trace, as the worker parsed it;
//   view        how far each list is drawn and where the chart's pager
//               stands (newView); the views move it as the reader pages;
//   moreButton  () => a "Load more" button, which runs again with a larger
//               trace (loadMoreButton).

// How much of each list is drawn at first, and per "show more".
export const PAGE = Object.freeze({ groupItems: 16, pis: 100, chartRows: 40, chartColumns: 24 });

// The view of a fresh trace: every list at its first page.
export function newView() {
  return {
    groupShown: new Map(), // "column-group" -> items drawn
    pisShown: PAGE.pis,
    chartRow: 0,
    chartColumn: 0,
  };
}

// Puts `view` back to the first page of every list.
export function resetView(view) {
  view.groupShown.clear();
  view.pisShown = PAGE.pis;
  view.chartRow = 0;
  view.chartColumn = 0;
}
