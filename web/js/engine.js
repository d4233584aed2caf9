// SPDX-License-Identifier: MIT
// The engine: the worker (worker.js) that runs the library, one request at a
// time. A request is a promise of the worker's reply; a newer request or
// cancel ends the running one by terminating the worker and starting a fresh
// one.

export class Cancelled extends Error {}
// A request cancelled by a newer one: the newer one owns the page.
export class Superseded extends Error {}

// The worker sits beside index.html, where it finds qmsop_web.js.
const WORKER_URL = new URL('../worker.js', import.meta.url);

export class Engine {
  // onLoad(error) is called when a worker has loaded the module (error null)
  // or failed to.
  constructor(onLoad) {
    this.onLoad = onLoad;
    this.nextId = 1;
    this.pending = null;
    this.start();
  }

  start() {
    this.worker = new Worker(WORKER_URL);
    this.worker.onmessage = (event) => this.receive(event.data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.fail(new Error(event.message || 'the engine stopped'));
    };
  }

  get busy() {
    return this.pending !== null;
  }

  // Sends one request; a request still running is cancelled first.
  request(message) {
    if (this.pending) this.cancel();
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending = { id, resolve, reject };
      this.worker.postMessage({ id, ...message });
    });
  }

  receive(data) {
    if (data.id === undefined) {
      this.onLoad(data.type === 'error' ? new Error(data.message) : null);
      return;
    }
    if (!this.pending || data.id !== this.pending.id) return;
    if (data.type === 'error') {
      this.fail(new Error(data.message));
      return;
    }
    const { resolve } = this.pending;
    this.pending = null;
    resolve(data);
  }

  // Ends the running request with `error` and starts a fresh worker.
  fail(error) {
    const pending = this.pending;
    this.pending = null;
    this.worker.terminate();
    this.start();
    if (pending) pending.reject(error);
  }

  cancel() {
    if (this.pending) this.fail(new Cancelled('cancelled'));
  }
}
