// SPDX-License-Identifier: MIT
// The examples of the page's menu, and the generated dense functions that
// some of them stand for.

// [line or {dense: n}, label]
export const EXAMPLES = Object.freeze([
  ['f(a,b,c) = m(1,3,5,7) + d(0)', 'three variables with a don\'t-care'],
  ['f(a,b,c) = m(0,1,2,5) + d(6,7)', 'the greedy cover is not the smallest: try exact'],
  ['f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)', 'four variables'],
  ['f(a,b,c,d) = m(4,8,10,11,12,15) + d(9,14)', 'four variables with don\'t-cares'],
  ['f(x1,x2,y) = m(01,3x)', 'a number is the value of its leading digits'],
  ['f(a,b) = m(1,2)  + d(0) and the rest is ignored', 'text after the don\'t-cares is ignored'],
  ['f(a, b) = m(1)', 'refused: a blank inside a list'],
  [{ dense: 12 }, '12 variables, 2,048 minterms (generated)'],
  [{ dense: 14 }, '14 variables, 8,192 minterms (generated)'],
]);

// A function of n variables, a..n, with half of the points as minterms and a
// tenth as don't-cares, drawn by a fixed xorshift generator.
export function denseFunction(n) {
  const size = 2 ** n;
  const points = Array.from({ length: size }, (_, i) => i);
  let seed = 0x9e3779b9 ^ n;
  const next = () => {
    seed ^= seed << 13;
    seed ^= seed >>> 17;
    seed ^= seed << 5;
    return (seed >>> 0) / 4294967296;
  };
  for (let i = size - 1; i > 0; i--) {
    const j = Math.floor(next() * (i + 1));
    [points[i], points[j]] = [points[j], points[i]];
  }
  const minterms = points.slice(0, size / 2).sort((x, y) => x - y);
  const dontCares = points.slice(size / 2, size / 2 + Math.floor(size / 10)).sort((x, y) => x - y);
  const names = 'abcdefghijklmnopqrstuvwxyz'.slice(0, n).split('');
  return `f(${names.join(',')}) = m(${minterms.join(',')}) + d(${dontCares.join(',')})`;
}

// The function line of an example's value.
export function exampleLine(value) {
  return typeof value === 'string' ? value : denseFunction(value.dense);
}

// The menu's text for an example: the line and its label, or the label of a
// generated one.
export function exampleText([value, label]) {
  return typeof value === 'string' ? `${value}  (${label})` : label;
}
