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

let parts = [];
const engine = createQmsop({
  onOutput(bytes) {
    parts.push(bytes.slice());
  },
});

// Runs the library once and returns its status and output chunks.
function run(module, line, options, format) {
  parts = [];
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
  const output = parts;
  parts = [];
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
      const { status, output } = run(module, line, options, format);
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
