// SPDX-License-Identifier: MIT
// The status line and the busy state: what the engine is doing, the running
// timer, and the controls that wait while it works.
import { $ } from '../dom.js';

// The status line; its data-state (idle, running, done, refused, cancelled,
// failed) and data-runs (finished runs) let a script follow the page.
export function setStatus(text, phase) {
  $('status-text').textContent = text;
  if (phase) $('status').dataset.state = phase;
}

export function setRuns(runs) {
  $('status').dataset.runs = runs;
}

// Marks the page busy doing `what`, or idle. `clock` ({started, timer}) holds
// the start of the work and the timer's interval.
export function setBusy(clock, busy, what) {
  $('cancel').disabled = !busy;
  for (const button of document.querySelectorAll('.downloads button')) button.disabled = busy;
  document.body.classList.toggle('busy', busy);
  clearInterval(clock.timer);
  $('timer').textContent = '';
  if (busy) {
    clock.started = performance.now();
    setStatus(`${what}…`, 'running');
    clock.timer = setInterval(() => {
      $('timer').textContent = `${((performance.now() - clock.started) / 1000).toFixed(1)} s`;
    }, 100);
  }
}

// The time since `clock` started, as "123 ms" or "1.23 s".
export function elapsed(clock) {
  const ms = performance.now() - clock.started;
  return ms < 1000 ? `${Math.round(ms)} ms` : `${(ms / 1000).toFixed(2)} s`;
}
