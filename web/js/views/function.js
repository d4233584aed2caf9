// SPDX-License-Identifier: MIT
// The function as read: the echo of the line, the variables' weights and the
// counts of minterms and don't-cares (and, for a product of sums, the
// complement that the working is for).
import { $, count, fmt } from '../dom.js';

export function showFunction(trace) {
  $('echo').textContent = trace.function.echo;
  const vars = trace.function.variables || [];
  const parts = vars.slice(0, 40).map((v) => (v.weight === null ? `${v.name} (no bit of its own)` : `${v.name} = ${fmt(v.weight)}`));
  let text = vars.length ? `Weights: ${parts.join(', ')}${vars.length > 40 ? ', …' : ''}.` : 'No variables.';
  text += ` ${count(trace.function.minterms.length, 'minterm')}, ${count(trace.function.dontCares.length, "don't-care")}.`;
  if (trace.minimised) {
    const list = (numbers) => (numbers.length > 40 ? `${numbers.slice(0, 40).join(',')},…` : numbers.join(','));
    text += ` For the product of sums, the working below is for the complement: minterms ${list(trace.minimised.minterms)}`;
    text += `, don't-cares ${list(trace.minimised.dontCares) || 'none'}.`;
  }
  $('variables').textContent = text;
}
