// SPDX-License-Identifier: MIT
// The page: reads the function line and the options, asks the engine for a
// run's JSON trace and has the views show it step by step. All the computing
// happens in the library (worker.js, qmsop_web.wasm); the page's state is one
// object, made by init() and handed to every function here that needs it.
import { lineFromHash, syncHash } from './address.js';
import { $, fmt, h } from './dom.js';
import { Cancelled, Engine, Superseded } from './engine.js';
import { EXAMPLES, exampleLine, exampleText } from './examples.js';
import { chartKeys, highlightColumn, highlightRow, showChart, showHeading } from './views/chart.js';
import { showDiagnostics } from './views/diagnostics.js';
import { saveFile, writingWhat } from './views/downloads.js';
import { showFunction } from './views/function.js';
import { showPrimeImplicants } from './views/primes.js';
import { copyResult, showResult } from './views/result.js';
import { elapsed, setBusy, setRuns, setStatus } from './views/status.js';
import { highlightImplicant, showTabulation, tabulationKeys } from './views/tabulation.js';
import { loadMoreButton, showTruncated } from './views/truncated.js';
import { newView, resetView } from './views/view.js';

// How many entries per list the trace carries at first; "load more" runs
// again with four times as many.
const TRACE_LIMIT = 1000;

function newState() {
  return {
    engine: null,
    trace: null, // the trace shown, and the line it is a run of
    line: '',
    traceLimit: TRACE_LIMIT,
    started: 0, // the clock of the request running (views/status.js)
    timer: 0,
    runs: 0, // finished runs
    ticket: 0, // the latest request
    view: newView(),
  };
}

// What the views draw from (views/view.js).
function drawing(state) {
  return {
    trace: state.trace,
    view: state.view,
    moreButton: () => loadMoreButton(state.traceLimit, () => loadMore(state)),
  };
}

function readOptions() {
  const form = $('form');
  return {
    cover: form.elements.cover.value,
    timeLimit: Math.max(0.1, Number($('time-limit').value) || 10),
    pos: form.elements.form.value === 'pos',
  };
}

// Sends one request to the worker, with the busy state, the timer and cancel.
async function ask(state, message, what) {
  const ticket = ++state.ticket;
  setBusy(state, true, what);
  try {
    return await state.engine.request(message);
  } catch (error) {
    throw ticket === state.ticket ? error : new Superseded();
  } finally {
    if (ticket === state.ticket) setBusy(state, false);
  }
}

// Runs the line in the input with the chosen options and shows the trace.
async function run(state, { keepView = false } = {}) {
  const line = $('fn').value;
  const options = readOptions();
  if (!keepView) state.traceLimit = TRACE_LIMIT;
  syncHash(line);
  try {
    const reply = await ask(
      state,
      { kind: 'trace', line: `${line}\n`, options: { ...options, traceLimit: state.traceLimit } },
      'Minimising',
    );
    state.line = line;
    show(state, reply.trace, keepView);
    const took = elapsed(state);
    state.runs += 1;
    setRuns(state.runs);
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

function loadMore(state) {
  state.traceLimit *= 4;
  run(state, { keepView: true });
}

async function download(state, format) {
  const line = $('fn').value;
  try {
    const reply = await ask(
      state,
      { kind: 'file', format, line: `${line}\n`, options: { ...readOptions(), traceLimit: 0 } },
      writingWhat(format),
    );
    const name = saveFile(reply.blob, format);
    setStatus(`Wrote ${name} (${fmt(reply.blob.size)} bytes).`, 'done');
  } catch (error) {
    if (error instanceof Superseded) return;
    if (error instanceof Cancelled) setStatus('Cancelled.', 'cancelled');
    else setStatus(`The engine failed: ${error.message}`, 'failed');
  }
}

// Shows `trace`, a run of state.line; `keepView` keeps each list's page.
function show(state, trace, keepView) {
  state.trace = trace;
  if (!keepView) resetView(state.view);
  $('output').hidden = false;
  const what = drawing(state);
  showDiagnostics(trace, state.line);
  showFunction(trace);
  showTabulation(what);
  showPrimeImplicants(what);
  showChart(what);
  showResult(trace);
  showTruncated(what, state.traceLimit);
}

// ---------------------------------------------------------------------------
// Wiring.

function wireForm(state) {
  const select = $('examples');
  EXAMPLES.forEach((example, k) => select.append(h('option', { value: String(k) }, exampleText(example))));
  select.addEventListener('change', () => {
    if (select.value === '') return;
    $('fn').value = exampleLine(EXAMPLES[Number(select.value)][0]);
    run(state);
  });

  $('form').addEventListener('submit', (event) => {
    event.preventDefault();
    run(state);
  });
  $('fn').addEventListener('input', () => syncHash($('fn').value));
  $('cancel').addEventListener('click', () => state.engine.cancel());
  $('copy').addEventListener('click', async () => {
    await copyResult();
    setStatus('Result copied.');
  });
  for (const button of document.querySelectorAll('.downloads button')) {
    button.addEventListener('click', () => download(state, button.dataset.format));
  }
  const timeLimit = $('time-limit');
  const syncTimeLimit = () => {
    timeLimit.disabled = $('form').elements.cover.value !== 'exact';
  };
  syncTimeLimit();
  for (const input of document.querySelectorAll('input[name="cover"], input[name="form"]')) {
    input.addEventListener('change', () => {
      syncTimeLimit();
      if (state.trace) run(state);
    });
  }
  timeLimit.addEventListener('change', () => {
    if (state.trace) run(state);
  });
}

// Pointing, focus and keys in the tabulation and the chart.
function wireSteps(state) {
  const tabulation = $('tabulation');
  const tabulationPoint = (event) => {
    const item = event.target.closest('.imp');
    if (item) highlightImplicant(state.trace, item);
  };
  tabulation.addEventListener('pointerover', tabulationPoint);
  tabulation.addEventListener('focusin', tabulationPoint);
  tabulation.addEventListener('keydown', tabulationKeys);

  const chart = $('chart');
  const chartPoint = (event) => {
    const row = event.target.closest('tr[data-pi]');
    const column = event.target.closest('.mcol');
    if (column) highlightColumn(state.trace, column);
    else if (row) highlightRow(state.trace, row.querySelector('.rowhead'));
  };
  chart.addEventListener('pointerover', chartPoint);
  chart.addEventListener('focusin', chartPoint);
  chart.addEventListener('keydown', (event) => chartKeys(drawing(state), event));
  chart.addEventListener('dblclick', (event) => {
    const cell = event.target.closest('.rowhead, .mcol');
    if (cell) showHeading(drawing(state), cell);
  });
}

function init() {
  const state = newState();
  wireForm(state);
  wireSteps(state);
  window.addEventListener('hashchange', () => {
    const line = lineFromHash();
    if (line !== $('fn').value) {
      $('fn').value = line;
      run(state);
    }
  });

  state.engine = new Engine((error) => {
    if (error) setStatus(`The engine did not load: ${error.message}`, 'failed');
    else if ($('status-text').textContent === 'Loading the engine…') setStatus('Ready.', 'idle');
  });
  const fromHash = location.hash.length > 1 ? lineFromHash() : null;
  $('fn').value = fromHash ?? EXAMPLES[0][0];
  run(state);
}

init();
