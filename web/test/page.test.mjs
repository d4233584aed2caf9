// SPDX-License-Identifier: MIT
// Browser test of the web page: Debian's chromium, driven by playwright-core,
// on the site that web/build made, served by `python3 -m http.server` on
// 127.0.0.1. What the page shows is checked against the command-line
// program's output for the same function.
//
//   QMSOP_WEB_SITE   the built site (web/build OUTDIR), required
//   QMSOP_CLI        the command-line program (default: build/qmsop)
//   QMSOP_WEB_SHOTS  where the screenshots go (default: web/test/output)
//   CHROMIUM         the browser (default: /usr/bin/chromium)
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const top = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const site = process.env.QMSOP_WEB_SITE;
const cliPath = process.env.QMSOP_CLI || join(top, 'build/qmsop');
const shots = process.env.QMSOP_WEB_SHOTS || join(top, 'web/test/output');
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
assert.ok(site, 'set QMSOP_WEB_SITE to the directory that web/build wrote');
mkdirSync(shots, { recursive: true });

// --- The command line's output -------------------------------------------------

function cli(line, args = []) {
  const run = spawnSync(cliPath, args, { input: `${line}\n`, maxBuffer: 1 << 30 });
  assert.equal(run.error, undefined, `cannot run ${cliPath}`);
  return { stdout: run.stdout.toString('latin1'), stderr: run.stderr.toString('utf8'), status: run.status };
}

// The parts of the text report that the page shows too.
function parseReport(stdout) {
  const lines = stdout.split('\n');
  const piAt = lines.indexOf('[PI]');
  const tabulation = lines.slice(1, piAt - 1).filter((l) => l !== '----' && l !== '.' && l !== '');
  let k = piAt + 1;
  const pis = [];
  while (lines[k] !== '') pis.push(lines[k++]);
  k++;
  const chartLines = [];
  while (lines[k] !== '') chartLines.push(lines[k++]);
  const columns = Math.max(0, (chartLines[0].length - 11) / 5);
  const rows = chartLines.slice(1).map((row) => ({
    pi: Number(row.slice(1, 11).trim()),
    starred: row[0] === '*',
    covers: Array.from({ length: columns }, (_, j) => j).filter((j) => row.slice(11 + 5 * j, 16 + 5 * j).trim() === 'X'),
  }));
  // The result line is the last that names the function (a product of sums
  // has the complement's line, f'(...), before it; an exact cover, its
  // certificate line after it).
  const result = lines.filter((l) => l.startsWith('f(')).pop();
  const certificate = lines.find((l) => l.startsWith('minimum: ')) ?? null;
  return { echo: lines[0], tabulation, pis, rows, result, certificate };
}

// The README's example functions that the program runs with no options.
function readmeExamples() {
  const readme = readFileSync(join(top, 'README.md'), 'utf8');
  const found = new Set();
  for (const match of readme.matchAll(/echo '([^']*)' \| (?:build\/)?qmsop(?=[ \n;)]|$)(?! -)/gm)) {
    found.add(match[1]);
  }
  return [...found];
}

// The value of the page's example whose label starts with `label`.
function exampleValue(page, label) {
  return page.$eval('#examples', (select, text) => [...select.options].find((o) => o.text.startsWith(text)).value, label);
}

// --- The browser and the server -------------------------------------------------

let server;
let origin;
let context;
let profile;
const foreign = [];
const requested = new Set();

before(async () => {
  server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', site], {
    stdio: ['ignore', 'pipe', 'pipe'],
  });
  origin = await new Promise((resolveOrigin, reject) => {
    let seen = '';
    server.stdout.on('data', (chunk) => {
      seen += chunk;
      const port = /port (\d+)/.exec(seen);
      if (port) resolveOrigin(`http://127.0.0.1:${port[1]}`);
    });
    server.on('exit', (code) => reject(new Error(`http.server exited with ${code}`)));
    setTimeout(() => reject(new Error('http.server did not start')), 10000);
  });
  profile = mkdtempSync(join(tmpdir(), 'qmsop-web-test-'));
  context = await chromium.launchPersistentContext(profile, {
    executablePath: browserPath,
    headless: true,
    acceptDownloads: true,
    viewport: { width: 1200, height: 900 },
    args: [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
  // Nothing may come from anywhere but the page's own server.
  await context.route('**/*', (route) => {
    const url = route.request().url();
    requested.add(new URL(url).pathname);
    if (url.startsWith(origin) || url.startsWith('data:') || url.startsWith('blob:')) return route.continue();
    foreign.push(url);
    return route.abort();
  });
});

after(async () => {
  await context?.close();
  server?.kill();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

async function openPage(hash = '', viewport = null) {
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  page.errors = errors;
  if (viewport) await page.setViewportSize(viewport);
  await page.goto(`${origin}/index.html${hash}`);
  await settled(page, 0);
  return page;
}

// Waits until the page has finished more than `runs` runs and is idle.
async function settled(page, runs, timeout = 30000) {
  await page.waitForFunction(
    (n) => {
      const status = document.getElementById('status');
      return Number(status.dataset.runs || 0) > n && !document.body.classList.contains('busy');
    },
    runs,
    { timeout },
  );
}

async function runs(page) {
  return Number((await page.getAttribute('#status', 'data-runs')) || 0);
}

// Picks an option of the form (a run follows when it changes).
async function choose(page, name, value) {
  const radio = `input[name="${name}"][value="${value}"]`;
  if (await page.isChecked(radio)) return;
  const before = await runs(page);
  await page.check(radio);
  await settled(page, before);
}

// Types the line into the function field, presses Enter and waits for the run.
async function enter(page, line, timeout) {
  const before = await runs(page);
  await page.fill('#fn', line);
  await page.press('#fn', 'Enter');
  await settled(page, before, timeout);
}

// What the page shows, in the terms of the text report.
function shown(page) {
  return page.evaluate(() => ({
    echo: document.getElementById('echo').textContent,
    result: document.getElementById('result').textContent,
    piCount: Number(document.getElementById('pi-count').dataset.count),
    starred: [...document.querySelectorAll('#chart tbody tr.chosen')].map((tr) => Number(tr.dataset.pi)),
    starMarks: [...document.querySelectorAll('#chart tbody tr')].filter((tr) => tr.querySelector('.star')?.textContent === '*').map((tr) => Number(tr.dataset.pi)),
    rows: [...document.querySelectorAll('#chart tbody tr[data-pi]')].map((tr) => ({
      pi: Number(tr.dataset.pi),
      covers: [...tr.querySelectorAll('td')].map((td, j) => (td.textContent === 'X' ? j : -1)).filter((j) => j >= 0),
    })),
    tabulation: [...document.querySelectorAll('#tabulation .imp')].map((li) => {
      const diff = li.querySelector('.diff');
      const pi = li.querySelector('.pi-badge');
      return `${li.querySelector('.mt').textContent}${diff ? ` ${diff.textContent}` : ''} ${pi ? pi.textContent : '*'}`;
    }),
    error: document.querySelector('#diagnostics .error .message')?.textContent ?? null,
    errorColumn: document.querySelector('#diagnostics .error')?.dataset.column ?? null,
    markIndex: document.querySelector('#diagnostics .error mark')?.dataset.index ?? null,
    warnings: [...document.querySelectorAll('#diagnostics .warning')].map((el) => ({
      column: el.dataset.column,
      message: el.querySelector('.message').textContent,
    })),
  }));
}

// --- The tests ----------------------------------------------------------------------

describe('the page against the command line', () => {
  test("the README's examples: result line, starred rows, prime implicants, chart and tabulation", async () => {
    const examples = readmeExamples();
    assert.ok(examples.length >= 5, `found only ${examples.length} examples in README.md`);
    const page = await openPage();
    for (const [k, line] of examples.entries()) {
      await enter(page, line);
      const want = cli(line);
      const got = await shown(page);
      await page.screenshot({ path: join(shots, `readme-${String(k + 1).padStart(2, '0')}.png`), fullPage: true });
      const report = parseReport(want.stdout);
      assert.equal(got.result, report.result, line);
      assert.equal(got.echo, report.echo, line);
      if (want.status === 1) {
        const message = want.stderr.trim().replace(/^qmsop: /, '');
        assert.equal(got.error, message, line);
        const column = /column (\d+)/.exec(message);
        assert.equal(got.errorColumn, column ? column[1] : 'end', line);
        continue;
      }
      assert.equal(got.error, null, line);
      // The warnings, each at its column ("qmsop: warning: line 1, column 14: ...").
      const warnings = want.stderr.split('\n').filter(Boolean).map((text) => {
        const where = /^qmsop: warning: line \d+, column (\d+): /.exec(text);
        assert.ok(where, text);
        return { column: where[1], message: text.slice(where[0].length) };
      });
      assert.deepEqual(got.warnings, warnings, line);
      assert.equal(got.piCount, report.pis.length, line);
      if (report.rows.length <= 40 && report.rows[0]?.covers.length <= 24) {
        assert.deepEqual(got.starred, report.rows.filter((r) => r.starred).map((r) => r.pi), line);
        assert.deepEqual(got.starMarks, got.starred, line);
        assert.deepEqual(got.rows, report.rows.map(({ pi, covers }) => ({ pi, covers })), line);
      }
      if (report.tabulation.length <= 16) assert.deepEqual(got.tabulation, report.tabulation, line);
    }
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('the options: exact cover and product of sums, as the command line gives them', async () => {
    const cases = [
      { line: 'f(a,b,c) = m(0,1,2,5) + d(6,7)', cover: 'greedy', form: 'pos', args: ['--pos'] },
      { line: 'f(a,b,c) = m(0,1,2,5) + d(6,7)', cover: 'exact', form: 'sop', args: ['--exact'] },
      { line: 'f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)', cover: 'exact', form: 'pos', args: ['--exact', '--pos'] },
    ];
    for (const [k, { line, cover, form, args }] of cases.entries()) {
      const page = await openPage(`#${encodeURIComponent(line)}`);
      await choose(page, 'cover', cover);
      await choose(page, 'form', form);
      const got = await shown(page);
      const report = parseReport(cli(line, args).stdout);
      await page.screenshot({ path: join(shots, `options-${k + 1}.png`), fullPage: true });
      const what = `${line} ${args.join(' ')}`;
      assert.equal(got.result, report.result, what);
      assert.equal(got.piCount, report.pis.length, what);
      assert.deepEqual(got.starred, report.rows.filter((r) => r.starred).map((r) => r.pi), what);
      const certificate = await page.textContent('#certificate');
      if (cover === 'exact') assert.ok(report.certificate && certificate.endsWith(report.certificate), `${what}: ${certificate}`);
      else assert.equal(certificate, '', what);
      await page.close();
    }
  });

  test('a refused input: the message under the line and its column marked', async () => {
    const page = await openPage();
    const line = 'f(a,b) = m(1,2 )';
    await enter(page, line);
    const want = cli(line).stderr.trim().replace(/^qmsop: /, '');
    const got = await shown(page);
    assert.equal(got.error, want);
    assert.equal(got.errorColumn, '15');
    assert.equal(got.markIndex, '14');
    assert.equal(await page.getAttribute('#fn', 'aria-invalid'), 'true');
    assert.equal(await page.getAttribute('#status', 'data-state'), 'refused');
    await page.screenshot({ path: join(shots, 'refused.png') });
    // "Show in the line" puts the cursor on the marked character.
    await page.click('#diagnostics .error button');
    assert.deepEqual(await page.$eval('#fn', (input) => [input.selectionStart, document.activeElement === input]), [14, true]);
    await page.close();
  });

  test('a link carries the function, and the address follows the input', async () => {
    const page = await openPage('#f(a%2Cb%2Cc)%20%3D%20m(1%2C3%2C5%2C7)');
    assert.equal(await page.inputValue('#fn'), 'f(a,b,c) = m(1,3,5,7)');
    assert.equal(await page.textContent('#result'), parseReport(cli('f(a,b,c) = m(1,3,5,7)').stdout).result);
    await page.fill('#fn', 'f(a,b) = m(1,2) + d(0)');
    assert.equal(await page.evaluate(() => location.hash), `#${encodeURIComponent('f(a,b) = m(1,2) + d(0)')}`);
    await page.screenshot({ path: join(shots, 'link.png'), fullPage: true });
    await page.close();
  });

  test('the downloads are the program\'s own outputs', async () => {
    const line = 'f(a,b,c) = m(0,1,2,5) + d(6,7)';
    const page = await openPage(`#${encodeURIComponent(line)}`);
    const files = {};
    for (const format of ['text', 'json', 'pla', 'verilog']) {
      const [download] = await Promise.all([page.waitForEvent('download'), page.click(`.downloads button[data-format="${format}"]`)]);
      files[format] = readFileSync(await download.path(), 'latin1');
      assert.ok(files[format].length > 0, format);
    }
    assert.equal(files.text, cli(line).stdout);
    assert.equal(files.json, cli(line, ['--format=json']).stdout);
    assert.equal(files.pla, cli(line, ['--format=pla']).stdout);
    assert.equal(files.verilog, cli(line, ['--format=verilog']).stdout);
    await page.close();
  });
});

describe('usable with the keyboard and on a phone', () => {
  test('arrow keys move through the tabulation and the chart, and show where a term came from', async () => {
    const page = await openPage(`#${encodeURIComponent('f(a,b,c) = m(1,3,5,7) + d(0)')}`);
    // From the start of the page, Tab reaches the function field after the skip link.
    await page.keyboard.press('Tab');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'fn');
    // The term 1,3,5,7 of column 3 came from 1,5 + 3,7 and 1,3 + 5,7.
    await page.focus('#tabulation .imp[tabindex="0"]');
    for (const key of ['ArrowRight', 'ArrowRight', 'ArrowDown']) await page.keyboard.press(key);
    assert.equal(await page.evaluate(() => document.activeElement.querySelector('.mt').textContent), '1,3,5,7');
    const parents = await page.$$eval('#tabulation .imp.hl .mt', (els) => els.map((el) => el.textContent).sort());
    assert.deepEqual(parents, ['1,3', '1,5', '3,7', '5,7']);
    assert.match(await page.textContent('#tab-detail'), /from 1,5 \+ 3,7 and 1,3 \+ 5,7/);
    // Row PI#2 covers every column; column 3 has PI#2 as its only candidate.
    await page.focus('#chart .rowhead[tabindex="0"]');
    await page.keyboard.press('ArrowDown');
    assert.deepEqual(await page.$$eval('#chart thead .hl', (els) => els.map((el) => el.textContent)), ['1', '3', '5', '7']);
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    assert.deepEqual(await page.$$eval('#chart tbody tr.hl', (els) => els.map((el) => el.dataset.pi)), ['2']);
    await page.screenshot({ path: join(shots, 'keyboard.png'), fullPage: true });
    await page.close();
  });

  test('on a phone the page fits the screen', async () => {
    const page = await openPage(`#${encodeURIComponent('f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)')}`, { width: 390, height: 844 });
    await page.screenshot({ path: join(shots, 'phone.png'), fullPage: true });
    const wide = await page.evaluate(() =>
      [...document.querySelectorAll('body *')]
        .filter((el) => el.getBoundingClientRect().right > window.innerWidth + 1)
        .filter((el) => !el.parentElement.closest('.tab-columns, .table-wrap, pre'))
        .map((el) => el.id || el.className || el.tagName),
    );
    assert.deepEqual(wide, [], 'elements wider than the screen');
    await page.close();
  });
});

describe('large functions', () => {
  test('12 variables: the page answers while the worker runs, cancel stops the run, and the result matches', async () => {
    const page = await openPage(`#${encodeURIComponent('f(a) = m(1)')}`);
    // An exact cover of a dense 12-variable function keeps the worker busy.
    await page.check('input[name="cover"][value="exact"]');
    await settled(page, 1);
    await page.fill('#time-limit', '120');
    const index = await exampleValue(page, '12 variables');
    await page.selectOption('#examples', index);
    await page.waitForFunction(() => document.getElementById('status').dataset.state === 'running');
    await page.waitForTimeout(300);
    // A click on "How to write the function": from the mouse event sent to
    // the details drawn open. (The mouse goes straight to the point: a
    // locator's click waits for animation frames of its own.)
    const box = await page.locator('#grammar summary').boundingBox();
    const start = Date.now();
    await page.mouse.click(box.x + 10, box.y + box.height / 2);
    // A page whose main thread runs the search would not answer until the
    // search ends (120 s); a busy machine may take a second or more. The bound
    // catches the first and never the second; the figure itself is printed.
    await page.waitForFunction(() => document.getElementById('grammar').open && new Promise((done) => requestAnimationFrame(() => done(true))), null, { timeout: 30000 });
    const answered = Date.now() - start;
    assert.equal(await page.getAttribute('#status', 'data-state'), 'running', 'the run ended before the click');
    console.log(`# the click was answered in ${answered} ms while the search ran`);
    await page.screenshot({ path: join(shots, 'running.png') });

    await page.click('#cancel');
    await page.waitForFunction(() => document.getElementById('status').dataset.state === 'cancelled', null, { timeout: 2000 });
    assert.equal(await page.isDisabled('#cancel'), true);
    await page.screenshot({ path: join(shots, 'cancelled.png') });

    // The greedy cover, to the end, against the command line.
    const before = await runs(page);
    await page.check('input[name="cover"][value="greedy"]');
    await settled(page, before, 120000);
    const fn = await page.inputValue('#fn');
    const report = parseReport(cli(fn).stdout);
    const got = await shown(page);
    assert.equal(got.result, report.result);
    assert.equal(got.piCount, report.pis.length);
    const firstRows = report.rows.slice(0, 40);
    assert.deepEqual(got.starred, firstRows.filter((r) => r.starred).map((r) => r.pi));
    assert.match(await page.textContent('#chart-pager'), /Rows 1–40 of 3,\d{3}/);
    await page.screenshot({ path: join(shots, 'twelve.png') });
    // The next page of rows.
    await page.click('#chart-pager [aria-label="Next rows"]');
    const second = await shown(page);
    assert.deepEqual(second.starred, report.rows.slice(40, 80).filter((r) => r.starred).map((r) => r.pi));
    assert.deepEqual(page.errors, []);
    await page.close();
  });
});

test('nothing was fetched from outside the page\'s server', () => {
  assert.deepEqual(foreign, []);
  // The worker's requests pass the same check.
  assert.ok(requested.has('/qmsop_web.wasm'), [...requested].join(' '));
});
