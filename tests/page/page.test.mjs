// The remote display page in headless Chromium, served and fed by the real server
// (remote_page_server). Run by CTest as: node --test page.test.mjs
//
// Environment: QUORVEL_PAGE_SERVER, the server binary (required); QUORVEL_CHROMIUM, the browser
// (default /usr/bin/chromium). No browser is ever downloaded.
import { after, before, beforeEach, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { startPageServer, waitFor } from './browsers.mjs';

const { chromium } = await import('playwright-core').catch((error) => {
  throw new Error(`playwright-core is not installed: run "npm ci" in tests/page (${error.message})`);
});

let server, url, context, page, userDataDir;
const browserOptions = {
  executablePath: process.env.QUORVEL_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
};
const dialogs = [];
const push = (state) => server.push(state);

before(async () => {
  server = await startPageServer();
  url = `http://127.0.0.1:${server.port}/`;
  userDataDir = mkdtempSync(path.join(tmpdir(), 'quorvel-page-'));
  context = await chromium.launchPersistentContext(userDataDir, browserOptions);
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

beforeEach(() => push({ status: '', recording: false, hasTake: false }));

// A visit with the given stored values (none: empty storage).
async function visit(stored = {}) {
  await page.goto(url);
  await page.evaluate((stored) => {
    localStorage.clear();
    Object.entries(stored).forEach(([key, value]) => localStorage.setItem(key, value));
  }, stored);
  await page.reload();
}

// What the page shows, read in one go so a failure message holds all of it. choice: the body
// classes of the style and size groups; on: the marked spans; stored: the remembered values.
const shown = () => page.evaluate(() => ({
  classes: [...document.body.classList].sort().join(' '),
  choice: [...document.body.classList].filter((c) => ['card', 'full', 'paper', 'poster'].includes(c)).sort().join(' '),
  piece: document.getElementById('piece').textContent,
  context: document.getElementById('context').textContent,
  label: document.getElementById('label').textContent,
  take: document.getElementById('take').textContent,
  on: [...document.querySelectorAll('#styles span.on')].map((s) => s.textContent).sort().join(' '),
  stored: [localStorage.getItem('quorvelStyle'), localStorage.getItem('quorvelSize')].join(' '),
}));
const waitForView = (check, why) => waitFor(shown, check, why);
const hasClass = (view, name) => view.classes.split(' ').includes(name);

// The style and size choice alone.
async function toggles() {
  const { choice, on, stored } = await shown();
  return { choice, on, stored };
}

// Waits for computed styles, { selector: { property: value } }: colours and opacity move through
// transitions, so the final value comes a little later.
async function waitForStyles(expected, why) {
  for (const [selector, properties] of Object.entries(expected)) {
    const read = () => page.evaluate(([selector, names]) => {
      const style = getComputedStyle(document.querySelector(selector));
      return Object.fromEntries(names.map((name) => [name, style[name]]));
    }, [selector, Object.keys(properties)]);
    await waitFor(read, (actual) => Object.entries(properties).every(([p, v]) => actual[p] === v),
      `${why}: ${selector} should have ${JSON.stringify(properties)}`);
  }
}

test('a first visit shows the connecting view in poster and card, then connects', async () => {
  // A browser of its own, whose clock stands still, so the page cannot give up waiting while it
  // is read; its storage starts empty.
  const shared = page;
  const browser = await chromium.launch(browserOptions);
  try {
    page = await browser.newPage();
    await page.clock.install();
    await page.clock.pauseAt(Date.now() + 60_000);
    await page.route(/\/(state|events)/, () => {}); // hold every request, so the first view stays
    await page.goto(url);
    assert.deepEqual(await shown(), { classes: 'card disconnected poster', choice: 'card poster', piece: 'quorvel',
      context: '', label: 'connecting\u2026', take: '\u2014', on: 'card poster', stored: 'poster card' });
    assert.equal(await page.title(), 'Quorvel');
  } finally {
    await browser.close();
    page = shared;
  }
  await visit();
  await waitForView((v) => !hasClass(v, 'disconnected'), 'the page connects');
});

test('toggles apply at once and survive a reload; stored values outside a group fall back', async () => {
  await visit();
  await page.click('#styles span[data-style="paper"]');
  await page.click('#styles span[data-size="full"]');
  await page.click('#styles .sep'); // separators do nothing
  const fullPaper = { choice: 'full paper', on: 'full paper', stored: 'paper full' };
  assert.deepEqual(await toggles(), fullPaper);
  await waitForStyles({ '#styles': { position: 'fixed' } }, 'the toggle line in full size');
  await page.reload();
  assert.deepEqual(await toggles(), fullPaper, 'after a reload');
  await visit({ quorvelStyle: 'Paper', quorvelSize: 'huge' });
  assert.deepEqual(await toggles(), { choice: 'card poster', on: 'card poster', stored: 'poster card' },
    'stored Paper and huge');
});

test('each state renders by its rules', async () => {
  await visit();
  const cases = [
    [{ status: '', recording: false, hasTake: false, daw: 'REAPER' },
      { take: '\u2014', piece: 'quorvel', context: 'reaper', label: 'waiting for takes', idle: true }],
    [{ status: '', recording: false, hasTake: false },
      { take: '\u2014', piece: 'quorvel', context: 'no daw', label: 'no daw detected', idle: true }],
    [{ project: 'Session A', piece: 'Nocturne', take: '42', status: 'Next take', recording: false, daw: 'REAPER', hasTake: true },
      { take: '42', piece: 'Nocturne', context: 'Session A', label: 'next take', idle: false }],
    [{ project: 'Same', piece: 'Same', take: '7', status: 'Last take', recording: false, daw: 'REAPER', hasTake: true },
      { take: '7', piece: 'Same', context: 'reaper', label: 'last take', idle: false }],
    [{ project: 'Session A', take: '007', status: 'Recording', recording: true, daw: 'Ableton Live', hasTake: true },
      { take: '007', piece: 'Session A', context: 'ableton live', label: 'recording', idle: false, recording: true }],
    [{ project: '', piece: '', status: 'Next take', recording: false, hasTake: true },
      { take: '\u2014', piece: 'quorvel', context: 'no daw', label: 'next take', idle: false }],
    [{ take: 'A-3', status: 'Last take', recording: false, hasTake: false, daw: 'Logic Pro' },
      { take: '\u2014', piece: 'quorvel', context: 'logic pro', label: 'waiting for takes', idle: true }],
  ];
  for (const [state, view] of cases) {
    const why = `state ${JSON.stringify(state)} should show ${JSON.stringify(view)}`;
    await push(state);
    await waitForView((v) => ['take', 'piece', 'context', 'label'].every((k) => v[k] === view[k]) &&
      hasClass(v, 'idle') === view.idle && hasClass(v, 'recording') === !!view.recording &&
      !hasClass(v, 'disconnected'), why);
    await waitForStyles({ '#take': { opacity: view.idle ? '0.3' : '1' } }, why);
  }
});

test('names from the session are shown as text, never as markup', async () => {
  await visit();
  const hostile = { piece: '<img src=x onerror=alert(1)>', project: '<b>bold</b>', take: '<i>7</i>',
    status: '<svg onload=alert(2)>', daw: '<script>alert(3)</script>', recording: false, hasTake: true };
  for (const [state, check] of [
    [hostile, (v) => v.piece === hostile.piece && v.context === hostile.project &&
      v.take === hostile.take && v.label === hostile.status.toLowerCase()],
    [{ ...hostile, piece: '', project: '' }, (v) => v.context === hostile.daw.toLowerCase()]]) {
    await push(state);
    await waitForView(check, `${JSON.stringify(state)} is shown verbatim`);
    const elements = await page.evaluate(() => document.querySelectorAll('.sheet *').length);
    assert.equal(elements, 7, `the card holds only its own elements with ${JSON.stringify(state)}`);
  }
  assert.deepEqual(dialogs, [], 'no script from the state ran');
});

test('a key in the address is kept and sent with the stream, every poll and the take list, also from an address without it', async () => {
  await visit();
  const sent = [];
  const record = (request) => {
    const address = new URL(request.url());
    if (['/state', '/events', '/api/v1/takes'].includes(address.pathname)) {
      sent.push([address.pathname, address.searchParams.get('key')]);
    }
  };
  page.on('request', record);
  // The stream is refused, so the page asks for it and then polls: both requests show their key.
  await page.route('**/events*', (route) => route.fulfill({ status: 404, body: 'Not Found' }));
  try {
    const cases = [
      [`${url}?key=k%2Fone`, 'k/one'],
      [url, 'k/one'],
      [`${url}?style=x&key=two`, 'two'],
    ];
    for (const [address, key] of cases) {
      // Through a blank page, so no request of the page before (its timers run until it is gone)
      // is counted.
      await page.goto('about:blank');
      sent.length = 0;
      await page.goto(address);
      const seen = await waitFor(() => sent.slice(), (requests) => requests.filter(([p]) => p === '/state').length >= 2 &&
        ['/events', '/api/v1/takes'].every((path) => requests.some(([p]) => p === path)),
      `the stream, polls and take list from ${address}`);
      assert.deepEqual([...new Set(seen.map(([, k]) => k))], [key], `the key sent from ${address}`);
      assert.equal(await page.evaluate(() => localStorage.getItem('quorvelKey')), key);
    }
  } finally {
    page.off('request', record);
    await page.unrouteAll({ behavior: 'ignoreErrors' });
  }
  await visit();
  assert.equal(await page.evaluate(() => localStorage.getItem('quorvelKey')), null);
});

// Counts the page's requests for pathname: how many began, failed and were open at once, and
// when the last began.
function watchRequests(pathname) {
  const seen = { count: 0, failed: 0, open: 0, mostOpen: 0, lastAt: Date.now() };
  const mine = (request) => new URL(request.url()).pathname === pathname;
  const handlers = {
    request: (r) => {
      if (!mine(r)) return;
      Object.assign(seen, { count: seen.count + 1, open: seen.open + 1, lastAt: Date.now() });
      seen.mostOpen = Math.max(seen.mostOpen, seen.open);
    },
    requestfinished: (r) => { if (mine(r)) seen.open--; },
    requestfailed: (r) => { if (mine(r)) { seen.open--; seen.failed++; } },
  };
  Object.entries(handlers).forEach(([event, handler]) => page.on(event, handler));
  seen.stop = () => Object.entries(handlers).forEach(([event, handler]) => page.off(event, handler));
  return seen;
}

const recordingTake = (take) => ({ piece: 'Nocturne', take, status: 'Recording', recording: true, daw: 'REAPER', hasTake: true });

test('when /events fails the page polls /state, and takes the stream again once it works', async () => {
  const streams = watchRequests('/events');
  const polls = watchRequests('/state');
  try {
    await page.route('**/events*', (route) => route.fulfill({ status: 404, body: 'Not Found' }));
    try {
      await visit();
      await push(recordingTake('5'));
      await waitForView((v) => v.take === '5' && !hasClass(v, 'disconnected'), 'the polled state is shown');
      await waitFor(() => polls.count, (n) => n >= 3, 'polling goes on');
    } finally {
      await page.unrouteAll({ behavior: 'ignoreErrors' });
    }
    const tried = streams.count;
    await waitFor(() => ({ streams: streams.count, sincePoll: Date.now() - polls.lastAt }),
      (seen) => seen.streams > tried && seen.sincePoll > 2000, 'the stream is tried again and polling stops', 60_000);
    await push(recordingTake('6'));
    await waitForView((v) => v.take === '6' && !hasClass(v, 'disconnected'), 'the stream brings the next take');
  } finally {
    streams.stop();
    polls.stop();
  }
});

test('a server that stops answering turns the page disconnected, one abandoned poll at a time', async () => {
  await visit();
  await push(recordingTake('42'));
  await waitForView((v) => v.take === '42' && v.label === 'recording' && !hasClass(v, 'disconnected'), 'the take is shown');
  const polls = watchRequests('/state');
  // A stopped process still has its connections accepted by the system, but answers nothing:
  // what a page sees when the Mac has left the network.
  process.kill(server.pid, 'SIGSTOP');
  try {
    const view = await waitForView((v) => v.label === 'reconnecting\u2026' && hasClass(v, 'disconnected'),
      'the page gives up on the silent server');
    assert.deepEqual([view.take, view.piece, hasClass(view, 'recording')], ['42', 'Nocturne', false]);
    await waitFor(() => polls.failed, (n) => n >= 2, 'unanswered polls are abandoned');
    assert.equal(polls.mostOpen, 1, 'polls never overlap');
  } finally {
    process.kill(server.pid, 'SIGCONT');
    polls.stop();
  }
  await waitForView((v) => v.label === 'recording' && !hasClass(v, 'disconnected'), 'the page reconnects');
});
