// The remote display page in headless Chromium, served and fed by the real server
// (remote_page_server). Run by CTest as: node --test page.test.mjs
//
// Environment: QUORVEL_PAGE_SERVER, the server binary (required); QUORVEL_CHROMIUM, the browser
// (default /usr/bin/chromium). No browser is ever downloaded.
import { after, before, beforeEach, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import path from 'node:path';
import readline from 'node:readline';

const { chromium } = await import('playwright-core').catch((error) => {
  throw new Error(`playwright-core is not installed: run "npm ci" in tests/page (scripts/test.sh does) (${error.message})`);
});

const serverBinary = process.env.QUORVEL_PAGE_SERVER;
const chromiumPath = process.env.QUORVEL_CHROMIUM || '/usr/bin/chromium';
// Generous on purpose: the tests wait for conditions, never for the machine's speed.
const deadline = 20_000;

const RED = 'rgb(229, 52, 42)';
const WHITE = 'rgb(255, 255, 255)';
const PAPER = 'rgb(242, 239, 230)';
const INK = 'rgb(17, 17, 17)';
const NIGHT = 'rgb(20, 20, 18)';

// A port that was free a moment ago, so the server can be stopped and started on the same origin.
function freePort() {
  return new Promise((resolve, reject) => {
    const probe = createServer();
    probe.once('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

// remote_page_server as a child process: one command per line in, one answer per line out.
class PageServer {
  constructor(port) {
    assert.ok(serverBinary, 'QUORVEL_PAGE_SERVER must name the remote_page_server binary');
    this.child = spawn(serverBinary, [String(port)], { stdio: ['pipe', 'pipe', 'inherit'] });
    this.lines = [];
    this.waiters = [];
    this.exited = new Promise((resolve) => this.child.once('exit', resolve));
    readline.createInterface({ input: this.child.stdout }).on('line', (line) => {
      this.lines.push(line);
      this.settle();
    });
  }

  settle() {
    for (const waiter of [...this.waiters]) {
      const index = this.lines.findIndex((line) => waiter.prefixes.some((p) => line.startsWith(p)));
      if (index >= 0) {
        const [line] = this.lines.splice(index, 1);
        this.waiters.splice(this.waiters.indexOf(waiter), 1);
        clearTimeout(waiter.timer);
        waiter.resolve(line);
      }
    }
  }

  nextLine(prefixes) {
    return new Promise((resolve, reject) => {
      const waiter = { prefixes, resolve };
      waiter.timer = setTimeout(() => {
        this.waiters.splice(this.waiters.indexOf(waiter), 1);
        reject(new Error(`server never answered with ${prefixes.join(' or ')}; got ${this.lines}`));
      }, deadline);
      this.waiters.push(waiter);
      this.settle();
    });
  }

  async command(line, prefixes) {
    const answer = this.nextLine(prefixes);
    this.child.stdin.write(line + '\n');
    return answer;
  }

  push(state) {
    return this.command(JSON.stringify(state), ['updated']);
  }

  async start() {
    const line = await this.command('start', ['listening', 'failed']);
    assert.match(line, /^listening /);
  }

  async stop() {
    assert.equal(await this.command('stop', ['stopped', 'failed']), 'stopped');
  }

  async close() {
    this.child.stdin.end();
    await this.exited;
  }
}

let server;
let url;
let context;
let page;
let userDataDir;
const dialogs = [];

before(async () => {
  const port = await freePort();
  server = new PageServer(port);
  assert.match(await server.nextLine(['listening', 'failed']), /^listening /);
  url = `http://127.0.0.1:${port}/`;
  userDataDir = mkdtempSync(path.join(tmpdir(), 'quorvel-page-'));
  context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: chromiumPath,
    headless: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
    ],
  });
  page = context.pages()[0] ?? (await context.newPage());
  page.on('dialog', async (dialog) => {
    dialogs.push(dialog.message());
    await dialog.dismiss();
  });
});

after(async () => {
  await context?.close();
  await server?.close();
  if (userDataDir) rmSync(userDataDir, { recursive: true, force: true });
});

// A fresh visit: empty storage, no state pushed beyond what the test pushes.
async function firstVisit() {
  await page.goto(url);
  await page.evaluate(() => localStorage.clear());
  await page.reload();
}

// What the page shows, read in one go so a failure message holds all of it.
function shown() {
  return page.evaluate(() => ({
    classes: [...document.body.classList].sort().join(' '),
    piece: document.getElementById('piece').textContent,
    context: document.getElementById('context').textContent,
    label: document.getElementById('label').textContent,
    take: document.getElementById('take').textContent,
  }));
}

// Waits until check(view) holds for what the page shows; fails with the last view and why.
async function waitForView(check, why) {
  const end = Date.now() + deadline;
  let view;
  for (;;) {
    view = await shown();
    if (check(view)) return view;
    if (Date.now() > end) assert.fail(`${why}\nthe page shows ${JSON.stringify(view)}`);
    await page.waitForTimeout(50);
  }
}

// Waits until the computed style properties of selector reach the expected values (colours
// and opacity move through transitions, so the final value comes a little later).
async function waitForStyle(selector, expected, why) {
  try {
    await page.waitForFunction(
      ([selector, expected]) => {
        const style = getComputedStyle(document.querySelector(selector));
        return Object.entries(expected).every(([property, value]) => style[property] === value);
      },
      [selector, expected],
      { timeout: deadline, polling: 50 },
    );
  } catch (error) {
    const actual = await page.evaluate(
      ([selector, properties]) => {
        const style = getComputedStyle(document.querySelector(selector));
        return Object.fromEntries(properties.map((p) => [p, style[p]]));
      },
      [selector, Object.keys(expected)],
    );
    assert.fail(`${why}: ${selector} has ${JSON.stringify(actual)}, expected ${JSON.stringify(expected)}`);
  }
}

function toggleState() {
  return page.evaluate(() => ({
    classes: [...document.body.classList].filter((c) => ['paper', 'poster', 'card', 'full'].includes(c)).sort().join(' '),
    on: [...document.querySelectorAll('#styles span.on')].map((s) => s.textContent).sort().join(' '),
    stored: [localStorage.getItem('quorvelStyle'), localStorage.getItem('quorvelSize')].join(' '),
  }));
}

const idleState = { status: '', recording: false, hasTake: false };

describe('remote display page', () => {
  beforeEach(async () => {
    await server.push(idleState);
  });

  test('before the first answer it shows the connecting view', async () => {
    // Hold every poll so the view the document starts with stays on screen.
    await page.route('**/state', () => {});
    try {
      await firstVisit();
      const view = await shown();
      assert.deepEqual(view, {
        classes: 'card disconnected poster',
        piece: 'quorvel',
        context: '',
        label: 'connecting\u2026',
        take: '\u2014',
      });
      assert.equal(await page.title(), 'Quorvel');
    } finally {
      await page.unrouteAll({ behavior: 'ignoreErrors' });
    }
  });

  test('a first visit gives poster and card, marked on the toggle line', async () => {
    await firstVisit();
    await waitForView((v) => !v.classes.includes('disconnected'), 'the first poll connects');
    assert.deepEqual(await toggleState(), { classes: 'card poster', on: 'card poster', stored: 'poster card' });
  });

  test('stored values outside their group fall back, known ones are kept', async () => {
    const cases = [
      { style: 'neon', size: 'huge', classes: 'card poster', stored: 'poster card' },
      { style: 'Paper', size: '', classes: 'card poster', stored: 'poster card' },
      { style: 'paper', size: 'full', classes: 'full paper', stored: 'paper full' },
      { style: 'poster', size: 'card', classes: 'card poster', stored: 'poster card' },
    ];
    for (const c of cases) {
      await page.goto(url);
      await page.evaluate(([style, size]) => {
        localStorage.setItem('quorvelStyle', style);
        localStorage.setItem('quorvelSize', size);
      }, [c.style, c.size]);
      await page.reload();
      assert.deepEqual(await toggleState(), { classes: c.classes, on: c.classes, stored: c.stored },
        `stored style ${JSON.stringify(c.style)}, size ${JSON.stringify(c.size)}`);
    }
  });

  test('each state renders by its rules', async () => {
    await firstVisit();
    const cases = [
      {
        state: { status: '', recording: false, hasTake: false, daw: 'REAPER' },
        view: { take: '\u2014', piece: 'quorvel', context: 'reaper', label: 'waiting for takes', idle: true },
      },
      {
        state: { status: '', recording: false, hasTake: false },
        view: { take: '\u2014', piece: 'quorvel', context: 'no daw', label: 'no daw detected', idle: true },
      },
      {
        state: { project: 'Session A', piece: 'Nocturne', take: '42', status: 'Next take', recording: false, daw: 'REAPER', hasTake: true },
        view: { take: '42', piece: 'Nocturne', context: 'Session A', label: 'next take', idle: false },
      },
      {
        state: { project: 'Same', piece: 'Same', take: '7', status: 'Last take', recording: false, daw: 'REAPER', hasTake: true },
        view: { take: '7', piece: 'Same', context: 'reaper', label: 'last take', idle: false },
      },
      {
        state: { project: 'Session A', take: '007', status: 'Recording', recording: true, daw: 'Ableton Live', hasTake: true },
        view: { take: '007', piece: 'Session A', context: 'ableton live', label: 'recording', idle: false, recording: true },
      },
      {
        state: { project: '', piece: '', status: 'Next take', recording: false, hasTake: true },
        view: { take: '\u2014', piece: 'quorvel', context: 'no daw', label: 'next take', idle: false },
      },
      {
        state: { take: 'A-3', status: 'Last take', recording: false, hasTake: false, daw: 'Logic Pro' },
        view: { take: '\u2014', piece: 'quorvel', context: 'logic pro', label: 'waiting for takes', idle: true },
      },
    ];
    for (const c of cases) {
      await server.push(c.state);
      await waitForView(
        (v) =>
          v.take === c.view.take &&
          v.piece === c.view.piece &&
          v.context === c.view.context &&
          v.label === c.view.label &&
          v.classes.split(' ').includes('idle') === c.view.idle &&
          v.classes.split(' ').includes('recording') === !!c.view.recording &&
          !v.classes.includes('disconnected'),
        `state ${JSON.stringify(c.state)} should show ${JSON.stringify(c.view)}`,
      );
      await waitForStyle('#take', { opacity: c.view.idle ? '0.3' : '1' }, `state ${JSON.stringify(c.state)}`);
    }
  });

  test('recording colours in both styles', async () => {
    await firstVisit();
    const recording = { project: 'P', piece: 'Q', take: '12', status: 'Recording', recording: true, daw: 'REAPER', hasTake: true };
    const stopped = { ...recording, status: 'Next take', recording: false };
    const cases = [
      { style: 'paper', state: recording, selector: '#label', expected: { color: RED } },
      { style: 'paper', state: recording, selector: '#take', expected: { color: RED } },
      { style: 'paper', state: recording, selector: '.sheet', expected: { backgroundColor: PAPER } },
      { style: 'paper', state: stopped, selector: '#take', expected: { color: INK } },
      { style: 'poster', state: recording, selector: '.sheet', expected: { backgroundColor: RED, color: WHITE } },
      { style: 'poster', state: recording, selector: '#take', expected: { color: WHITE } },
      { style: 'poster', state: stopped, selector: '.sheet', expected: { backgroundColor: NIGHT, color: PAPER } },
    ];
    for (const c of cases) {
      await server.push(c.state);
      await page.click(`#styles span[data-style="${c.style}"]`);
      await waitForView((v) => v.classes.includes('recording') === c.state.recording, `recording ${c.state.recording}`);
      await waitForStyle(c.selector, c.expected, `${c.style}, recording ${c.state.recording}`);
    }
  });

  test('a stopped server shows reconnecting and the last take, dimmed', async () => {
    await firstVisit();
    await server.push({ piece: 'Nocturne', take: '42', status: 'Recording', recording: true, daw: 'REAPER', hasTake: true });
    await waitForView((v) => v.take === '42' && v.label === 'recording', 'the take is shown');
    await server.stop();
    try {
      await waitForView(
        (v) => v.label === 'reconnecting\u2026' && v.classes.split(' ').includes('disconnected'),
        'the page notices the server is gone',
      );
      const view = await shown();
      assert.equal(view.take, '42');
      assert.equal(view.piece, 'Nocturne');
      await waitForStyle('#take', { opacity: '0.35' }, 'disconnected take');
      await waitForStyle('#label', { opacity: '0.35' }, 'disconnected label');
    } finally {
      await server.start();
    }
    await waitForView((v) => v.label === 'recording' && !v.classes.includes('disconnected'), 'the page reconnects');
  });

  test('toggles apply at once and survive a reload', async () => {
    await firstVisit();
    await page.click('#styles span[data-style="paper"]');
    await page.click('#styles span[data-size="full"]');
    await page.click('#styles .sep');
    assert.deepEqual(await toggleState(), { classes: 'full paper', on: 'full paper', stored: 'paper full' });
    await waitForStyle('#styles', { position: 'fixed' }, 'the toggle line in full size');
    await page.reload();
    assert.deepEqual(await toggleState(), { classes: 'full paper', on: 'full paper', stored: 'paper full' });
    await page.click('#styles span[data-style="poster"]');
    await page.click('#styles span[data-size="card"]');
    await page.reload();
    assert.deepEqual(await toggleState(), { classes: 'card poster', on: 'card poster', stored: 'poster card' });
  });

  test('names from the session are shown as text, never as markup', async () => {
    await firstVisit();
    const requested = [];
    const onRequest = (request) => requested.push(request.url());
    page.on('request', onRequest);
    const hostile = {
      piece: '<img src=x onerror=alert(1)>',
      project: '<b>bold</b>',
      take: '<i>7</i>',
      status: '<svg onload=alert(2)>',
      daw: '<script>alert(3)</script>',
      recording: false,
      hasTake: true,
    };
    try {
      await server.push(hostile);
      await waitForView(
        (v) => v.piece === hostile.piece && v.context === hostile.project && v.take === hostile.take &&
          v.label === hostile.status.toLowerCase(),
        'the hostile names are shown verbatim',
      );
      const elements = await page.evaluate(() => document.querySelectorAll('.sheet img, .sheet b, .sheet i, .sheet svg, .sheet script').length);
      assert.equal(elements, 0, 'no element was created from the state');
      await server.push({ ...hostile, piece: '', project: '' });
      await waitForView((v) => v.context === hostile.daw.toLowerCase(), 'the DAW name is shown verbatim');
      assert.deepEqual(dialogs, []);
      assert.deepEqual(requested.filter((u) => !u.endsWith('/state')), []);
    } finally {
      page.off('request', onRequest);
    }
  });
});
