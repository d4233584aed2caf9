// SPDX-License-Identifier: MIT
// The page's worker: runs the library (qmsop_web.wasm) off the page's thread.
//
// Messages in:  {id, kind: "trace", line, options}     a run with the JSON trace
//               {id, kind: "file", line, options, format}  a whole output as a file
//   options: {cover: "greedy"|"exact", timeLimit: seconds, pos: bool, traceLimit: n}
//   format:  "text" | "json" | "pla" | "verilog"
// Messages out: {type: "ready"} once the module is loaded, then per request
//               {id, type: "trace", status, trace}   the parsed JSON document
//               {id, type: "file", status, blob}     the output, as a Blob
//               {id, type: "error", message}  the worker must then be restarted
// The page cancels a run by terminating this worker and starting a new one.
/* global createQmsop */
'use strict';

importScripts('qmsop_web.js');

const FORMATS = { text: 0, json: 1, pla: 2, verilog: 3 };
const STATUSES = ['accepted', 'refused', 'read error', 'write error'];

// The output of the run in progress: chunks, and for a file, Blobs of the
// chunks before them, so that a long report moves out of this worker's memory
// as it is written.
let parts = [];
let partsSize = 0;
let folded = null;
const FOLD_SIZE = 32 << 20;

const engine = createQmsop({
  onOutput(bytes) {
    parts.push(bytes.slice());
    partsSize += bytes.length;
    if (folded && partsSize >= FOLD_SIZE) {
      folded.push(new Blob(parts));
      parts = [];
      partsSize = 0;
    }
  },
});

// Runs the library once and returns its status and output: the chunks, or
// for a file (`asFile`) the Blobs and chunks in order.
function run(module, line, options, format, asFile = false) {
  parts = [];
  partsSize = 0;
  folded = asFile ? [] : null;
  const size = module.lengthBytesUTF8(line) + 1;
  const input = module._malloc(size);
  module.stringToUTF8(line, input, size);
  let code;
  try {
    code = module._qmsop_run(
      input,
      FORMATS[format],
      options.cover === 'exact' ? 1 : 0,
      Number(options.timeLimit) || 0,
      options.pos ? 1 : 0,
      Number(options.traceLimit) || 0,
    );
  } finally {
    module._free(input);
  }
  const output = asFile ? [...folded, ...parts] : parts;
  parts = [];
  folded = null;
  return { status: STATUSES[code] || `status ${code}`, output };
}

engine.then(
  () => postMessage({ type: 'ready' }),
  (error) => postMessage({ type: 'error', message: `the engine did not load: ${error}` }),
);

onmessage = async (event) => {
  const { id, kind, line, options, format } = event.data;
  try {
    const module = await engine;
    if (kind === 'trace') {
      const { status, output } = run(module, line, options, 'json');
      const text = new TextDecoder().decode(concat(output));
      postMessage({ id, type: 'trace', status, trace: JSON.parse(text) });
    } else {
      const { status, output } = run(module, line, options, format, true);
      postMessage({ id, type: 'file', status, blob: new Blob(output) });
    }
  } catch (error) {
    postMessage({ id, type: 'error', message: String(error && error.message ? error.message : error) });
  }
};

// Joins the output chunks into one array of bytes.
function concat(chunks) {
  let total = 0;
  for (const chunk of chunks) total += chunk.length;
  const all = new Uint8Array(total);
  let at = 0;
  for (const chunk of chunks) {
    all.set(chunk, at);
    at += chunk.length;
  }
  return all;
}
