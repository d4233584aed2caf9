// SPDX-License-Identifier: MIT
// The downloads: a whole output of the program handed to the browser as a
// file.
import { h } from '../dom.js';

export const FILE_NAMES = Object.freeze({ text: 'qmsop.txt', json: 'qmsop.json', pla: 'qmsop.pla', verilog: 'qmsop.v' });

// What the status line says while the file of `format` is written.
export function writingWhat(format) {
  return `Writing the ${format === 'text' ? 'text report' : format.toUpperCase()}`;
}

// Saves `blob` as the file of `format`; returns the file's name.
export function saveFile(blob, format) {
  const url = URL.createObjectURL(blob);
  const link = h('a', { href: url, download: FILE_NAMES[format], hidden: true });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
  return FILE_NAMES[format];
}
