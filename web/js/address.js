// SPDX-License-Identifier: MIT
// The page's address carries the function line: index.html#<URL-encoded line>.

export function lineFromHash() {
  const raw = location.hash.slice(1);
  try {
    return decodeURIComponent(raw);
  } catch {
    return raw;
  }
}

export function syncHash(line) {
  const hash = `#${encodeURIComponent(line)}`;
  if (location.hash !== hash) history.replaceState(null, '', hash);
}
