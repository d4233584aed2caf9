// SPDX-License-Identifier: MIT
// Step 4, the result: the minimised expression, the exact cover's
// certificate, a summary of the chart, and copying the result.
import { $, count, fmt } from '../dom.js';

export function showResult(trace) {
  $('result').textContent = trace.result.text;
  $('certificate').textContent = trace.certificate ? `Exact cover: ${trace.certificate.text}` : '';
  const chosen = trace.chosen || [];
  const essential = trace.essential || [];
  let summary = `${count(trace.chart.numRows, 'prime implicant')}, ${fmt(essential.length)} essential, ${fmt(chosen.length)} chosen.`;
  if (trace.result.constant === 0) summary += ' The function is constant 0.';
  else if (trace.result.constant === 1) summary += ' The function is constant 1.';
  if (trace.result.form === 'pos') {
    const products = chosen.map((pi) => trace.primeImplicants[pi - 1]?.product);
    if (chosen.length && products.every((p) => p !== undefined)) {
      summary += ` The complement is ${products.map((p) => p || '1').join(' + ')}; each of its products, negated, is a sum of the result.`;
    } else {
      summary += ' The products chosen for the complement, negated, give the sums of the result.';
    }
  }
  $('summary').textContent = summary;
}

// Copies the result line to the clipboard (or, where the clipboard is
// closed to the page, selects it and copies the selection).
export async function copyResult() {
  const text = $('result').textContent;
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    const range = document.createRange();
    range.selectNodeContents($('result'));
    const selection = getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    document.execCommand('copy');
  }
}
