// The page in the engine named by QUORVEL_ENGINE (chromium or webkit, Safari's engine), against
// the real server (remote_page_server). Run by CTest as: node --test engines.test.mjs
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { lookup } from 'node:dns/promises';
import { hostname } from 'node:os';
import { openBrowser, startPageServer, waitFor } from './browsers.mjs';

const engine = process.env.QUORVEL_ENGINE || 'chromium';
const [RED, WHITE, PAPER, NIGHT] = ['rgb(229, 52, 42)', 'rgb(255, 255, 255)', 'rgb(242, 239, 230)', 'rgb(20, 20, 18)'];
const STYLES = [['paper', 'card'], ['poster', 'card'], ['paper', 'full'], ['poster', 'full']];
let server, browser, url;

before(async () => {
  server = await startPageServer();
  url = `http://127.0.0.1:${server.port}/`;
  browser = await openBrowser(engine, { width: 1024, height: 768 });
});

after(async () => {
  await browser?.close();
  await server?.close();
});

const shown = (page = browser) => page.evaluate(() => ({
  classes: document.body.className.split(' ').sort().join(' '),
  piece: document.getElementById('piece').textContent,
  context: document.getElementById('context').textContent,
  label: document.getElementById('label').textContent,
  take: document.getElementById('take').textContent,
  wake: document.body.getAttribute('data-wake'),
  note: document.getElementById('wake')?.textContent,
}));
const hasClass = (view, name) => view.classes.split(' ').includes(name);
const waitForView = (check, why, page = browser) => waitFor(() => shown(page), check, why);

// Picks a style and size the way a user does, through the toggle line.
async function choose([style, size], page = browser) {
  await page.evaluate(([style, size]) => {
    document.querySelector(`#styles [data-style="${style}"]`).click();
    document.querySelector(`#styles [data-size="${size}"]`).click();
  }, [style, size]);
}

async function computed(selector, property) {
  return browser.evaluate(([selector, property]) => getComputedStyle(document.querySelector(selector))[property],
    [selector, property]);
}

const recording = (take, extra = {}) => ({ project: 'Session A', piece: 'Nocturne', take, status: 'Recording',
  recording: true, daw: 'REAPER', hasTake: true, ...extra });

// Entries as the take sheet publishes them; lengthSeconds null for the pass recording now.
const entry = (take, mark, lengthSeconds) => ({ take, daw: 'REAPER', project: 'Session A', piece: 'Nocturne',
  started: '2026-12-07T10:00:00.000Z', ended: lengthSeconds === null ? null : '2026-12-07T10:02:00.000Z',
  lengthSeconds, mark, note: '' });
const MARKS = [['circled', 83.4], ['false start', 9.6], ['', 3725], ['keep', 47], ['no good', 0.2], ['', 61], ['', 30]];
// The seven takes before take (six are shown), with every mark.
const takesBefore = (take) => MARKS.map(([mark, length], i) => entry(String(Number(take) - 1 - i), mark, length));

const listed = (page = browser) => page.evaluate(() => {
  const list = document.getElementById('takes');
  const rows = [...list.querySelectorAll('.row')].map((row) => [...row.children].map((cell) => cell.textContent));
  return { shown: list.getClientRects().length > 0, placed: list.className, rows,
    elements: list.querySelectorAll('*').length,
    fetched: performance.getEntriesByType('resource').filter((r) => new URL(r.name).pathname === '/api/v1/takes').length };
});

test('recording, idle and disconnected in every style, following the event stream', async () => {
  await browser.goto(url);
  for (const choice of STYLES) {
    const why = choice.join(' ');
    await choose(choice);
    await server.push(recording('42'));
    await waitForView((v) => v.take === '42' && v.label === 'recording' && hasClass(v, 'recording'), `${why}: recording`);
    const [style] = choice;
    const colours = style === 'paper' ? [['#take', 'color', RED], ['.sheet', 'backgroundColor', PAPER]]
      : [['.sheet', 'backgroundColor', RED], ['.sheet', 'color', WHITE]];
    for (const [selector, property, colour] of colours) {
      await waitFor(() => computed(selector, property), (c) => c === colour, `${why}: ${selector} ${property} recording`);
    }

    await server.push({ status: '', recording: false, hasTake: false, daw: 'REAPER' });
    await waitForView((v) => v.take === '\u2014' && v.label === 'waiting for takes' && hasClass(v, 'idle') &&
      !hasClass(v, 'recording'), `${why}: idle`);
    await waitFor(() => computed('.sheet', 'backgroundColor'), (c) => c === (style === 'paper' ? PAPER : NIGHT),
      `${why}: the idle card`);

    await server.push(recording('43'));
    await waitForView((v) => v.take === '43', `${why}: the next take`);
    await server.stop();
    try {
      const view = await waitForView((v) => v.label === 'reconnecting\u2026' && hasClass(v, 'disconnected'),
        `${why}: disconnected`);
      assert.equal(view.take, '43', 'the last take stays');
      assert.ok(!hasClass(view, 'recording'), 'a lost server is not shown as recording');
      await waitFor(() => computed('#take', 'opacity'), (o) => o === '0.35', `${why}: dimmed`);
    } finally {
      await server.start();
    }
    await waitForView((v) => v.label === 'recording' && !hasClass(v, 'disconnected'), `${why}: reconnected`);
  }
});

test('the take list shows the newest takes with marks and lengths, follows the session, and keeps names as text', async () => {
  await server.setTakes(takesBefore('42'));
  await server.push(recording('42', { status: 'Next take', recording: false }));
  await browser.goto(url);
  await choose(['poster', 'card']);
  let list = await waitFor(listed, (l) => l.rows.length > 0, 'the list comes with the first state');
  assert.deepEqual(list.rows, [['41', 'circled', '1:23'], ['40', 'false start', '0:10'], ['39', '', '62:05'],
    ['38', 'keep', '0:47'], ['37', 'no good', '0:00'], ['36', '', '1:01']]);
  assert.equal(list.placed, 'beside');

  // The sheet publishes a new pass after the state has announced it.
  await server.push(recording('42'));
  await server.setTakes([entry('42', '', null), ...takesBefore('42')]);
  await waitFor(listed, (l) => l.rows[0]?.join('|') === '42||\u2026' && l.rows.length === 6,
    'the take being recorded tops the list');
  await server.setTakes([entry('42', '', 12.6), ...takesBefore('42')]);
  await server.push(recording('42', { status: 'Last take', recording: false }));
  await waitFor(listed, (l) => l.rows[0]?.join('|') === '42||0:13', 'the finished take has its length');
  // A mark set on the desktop between takes changes no state; the list follows it all the same,
  // also once the second look after the last change (1.5 s) is over.
  await new Promise((done) => setTimeout(done, 2000));
  await server.setTakes([entry('42', 'circled', 12.6), ...takesBefore('42')]);
  await waitFor(listed, (l) => l.rows[0]?.join('|') === '42|circled|0:13', 'a new mark arrives without a state change');

  const hostile = [entry('<img src=x onerror=alert(1)>', '<b>keep</b>', 5), entry('43', '<script>alert(2)</script>', 1)];
  await server.setTakes(hostile);
  await server.push(recording('43'));
  list = await waitFor(listed, (l) => l.rows.length === 2, 'the hostile list arrives');
  assert.deepEqual(list.rows, [[hostile[0].take, hostile[0].mark, '0:05'], ['43', hostile[1].mark, '0:01']]);
  assert.equal(list.elements, 2 * 4, 'each row holds only its own three cells');

  // Neither an answer that is no take list nor a server that went away clears the list.
  await server.setTakes('<html>not a take list</html>');
  await server.push(recording('44'));
  await waitFor(listed, (l) => l.fetched >= list.fetched + 2, 'the list is asked for again');
  assert.deepEqual((await listed()).rows, list.rows, 'a failed answer keeps the list');
  await server.stop();
  try {
    await waitForView((v) => hasClass(v, 'disconnected'), 'the server is gone');
    assert.deepEqual((await listed()).rows, list.rows, 'the list stays while the server is away');
    await server.setTakes(takesBefore('3').slice(0, 2));
  } finally {
    await server.start();
  }
  await waitFor(listed, (l) => l.rows.length === 2 && l.rows[0][0] === '2', 'the list is asked for on reconnecting');

  await server.setTakes([]);
  await server.push(recording('45'));
  list = await waitFor(listed, (l) => l.rows.length === 0, 'the list empties');
  assert.equal(list.shown, false, 'an empty list shows nothing');
});

test('each state shows by its rules, its names as text and never as markup', async () => {
  await browser.goto(url);
  const hostile = { piece: '<img src=x onerror=alert(1)>', project: '<b>bold</b>', take: '<i>7</i>',
    status: '<svg onload=alert(2)>', daw: 'REAPER', recording: false, hasTake: true };
  const cases = [
    [{ status: '', recording: false, hasTake: false },
      { take: '\u2014', piece: 'quorvel', context: 'no daw', label: 'no daw detected', idle: true }],
    [{ project: 'Session A', piece: 'Nocturne', take: '42', status: 'Next take', recording: false, daw: 'REAPER', hasTake: true },
      { take: '42', piece: 'Nocturne', context: 'Session A', label: 'next take', idle: false }],
    [{ project: 'Same', piece: 'Same', take: '7', status: 'Last take', recording: false, daw: '<script>alert(3)</script>', hasTake: true },
      { take: '7', piece: 'Same', context: '<script>alert(3)</script>', label: 'last take', idle: false }],
    [{ project: 'Session A', take: '007', status: 'Recording', recording: true, daw: 'Ableton Live', hasTake: true },
      { take: '007', piece: 'Session A', context: 'ableton live', label: 'recording', idle: false, recording: true }],
    [{ project: '', piece: '', status: 'Next take', recording: false, hasTake: true },
      { take: '\u2014', piece: 'quorvel', context: 'no daw', label: 'next take', idle: false }],
    [{ take: 'A-3', status: 'Last take', recording: false, hasTake: false, daw: 'Logic Pro' },
      { take: '\u2014', piece: 'quorvel', context: 'logic pro', label: 'waiting for takes', idle: true }],
    [hostile, { take: hostile.take, piece: hostile.piece, context: hostile.project, label: hostile.status, idle: false }],
  ];
  for (const [state, view] of cases) {
    await server.push(state);
    await waitForView((v) => ['take', 'piece', 'context', 'label'].every((k) => v[k] === view[k]) &&
      hasClass(v, 'idle') === view.idle && hasClass(v, 'recording') === !!view.recording && !hasClass(v, 'disconnected'),
    `${JSON.stringify(state)} shows as ${JSON.stringify(view)}`);
  }
});

test('the style and size chosen are kept for the next visit; stored values outside a group fall back', async () => {
  const chosen = () => browser.evaluate(() => ['paper', 'poster', 'card', 'full']
    .filter((name) => document.body.classList.contains(name)).join(' ') + ' / ' +
    [...document.querySelectorAll('#styles span.on')].map((span) => span.textContent).sort().join(' '));
  await browser.goto(url);
  await browser.evaluate(() => localStorage.clear());
  await browser.goto(url);
  assert.equal(await chosen(), 'poster card / card poster', 'a first visit');
  await choose(['paper', 'full']);
  await browser.goto(url);
  assert.equal(await chosen(), 'paper full / full paper', 'the next visit');
  await browser.evaluate(() => { localStorage.setItem('quorvelStyle', 'Paper'); localStorage.setItem('quorvelSize', 'huge'); });
  await browser.goto(url);
  assert.equal(await chosen(), 'poster card / card poster', 'stored Paper and huge');
});

// With a key set the server answers nothing without it. The page must send it with the stream
// and the take list, and an address without it (an old bookmark) is sent on with the stored key.
test('a key in the address is kept and sent with the stream and the take list, also from an address without it', async () => {
  await server.setTakes([entry('41', 'keep', 5)]);
  await server.push(recording('42'));
  const live = (why) => waitFor(() => browser.evaluate(() => ({
    fresh: !window.left,
    take: document.getElementById('take')?.textContent,
    connected: !document.body.classList.contains('disconnected'),
    listed: document.querySelectorAll('#takes .row').length,
    polls: performance.getEntriesByType('resource').filter((r) => new URL(r.name).pathname === '/state').length,
  })).catch(() => null), (v) => v?.fresh && v.take === '42' && v.connected && v.listed === 1 && v.polls === 0, why);
  await server.setKey('k/one');
  try {
    await browser.goto(`${url}?key=k%2Fone`);
    await live('the page with the key in its address');
    await browser.evaluate(() => { window.left = true; setTimeout(() => { location.href = '/'; }); });
    await live('the page from an address without the key');
    await server.setKey('two');
    await browser.goto(`${url}?style=x&key=two`);
    await live('a new key in the address replaces the stored one');
  } finally {
    await server.setKey(null);
  }
});

// Where everything is, in page pixels: the number's ink from the canvas text metrics of the
// font the number is really drawn in, placed at its baseline (found with a zero-size inline
// block); everything else from layout.
function measure() {
  const box = (element) => {
    if (!element || !element.getClientRects().length) return null;
    const r = element.getBoundingClientRect();
    return { left: r.left, top: r.top, right: r.right, bottom: r.bottom };
  };
  const take = document.getElementById('take');
  const style = getComputedStyle(take);
  const ruler = document.createElement('canvas').getContext('2d');
  ruler.font = `${style.fontStyle} ${style.fontWeight} ${style.fontSize} ${style.fontFamily}`;
  if ('letterSpacing' in ruler) ruler.letterSpacing = style.letterSpacing;
  const metrics = ruler.measureText(take.textContent);
  // nowrap: a number wider than its box must not wrap away from the probe before it
  const probe = document.createElement('span');
  probe.style.cssText = 'display:inline-block;width:0;height:0';
  const wrapping = take.style.whiteSpace;
  take.style.whiteSpace = 'nowrap';
  take.insertBefore(probe, take.firstChild);
  const origin = probe.getBoundingClientRect();
  probe.remove();
  take.style.whiteSpace = wrapping;
  const lastTake = document.querySelector('#takes .row:last-child .n');
  let listBaseline = null;
  if (lastTake?.getClientRects().length) {
    lastTake.insertBefore(probe, lastTake.firstChild);
    listBaseline = probe.getBoundingClientRect().bottom;
    probe.remove();
  }
  return {
    ink: { left: origin.left - metrics.actualBoundingBoxLeft, right: origin.left + metrics.actualBoundingBoxRight,
      top: origin.bottom - metrics.actualBoundingBoxAscent, bottom: origin.bottom + metrics.actualBoundingBoxDescent },
    take: take.textContent,
    label: box(document.getElementById('label')),
    list: box(document.getElementById('takes')),
    listPlace: document.getElementById('takes').className,
    listBaseline,
    baseline: origin.bottom,
    sheet: box(document.querySelector('.sheet')),
    piece: box(document.getElementById('piece')),
    context: box(document.getElementById('context')),
    lines: [box(document.getElementById('styles')), box(document.getElementById('wake'))].filter(Boolean),
    page: { width: innerWidth, height: innerHeight, scrollWidth: document.documentElement.scrollWidth,
      scrollHeight: document.documentElement.scrollHeight },
  };
}

const inside = (inner, outer) => inner.left >= outer.left && inner.right <= outer.right &&
  inner.top >= outer.top && inner.bottom <= outer.bottom;
const apart = (a, b) => a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;

function layoutFaults(m) {
  const faults = [];
  const view = { left: 0, top: 0, right: m.page.width, bottom: m.page.height };
  if (m.ink.top <= m.label.bottom) faults.push(`the label reaches ${(m.label.bottom - m.ink.top).toFixed(1)} px into the number`);
  if (!inside(m.ink, m.sheet)) faults.push('the number is cut by the card');
  if (!inside(m.sheet, view)) faults.push('the card does not fit the screen');
  if (m.page.scrollWidth > m.page.width || m.page.scrollHeight > m.page.height) {
    faults.push(`the page scrolls (${m.page.scrollWidth}x${m.page.scrollHeight})`);
  }
  if (!inside(m.piece, m.sheet) || !inside(m.context, m.sheet) || m.piece.right > m.context.left) {
    faults.push('the piece and context lines overflow or overlap');
  }
  m.lines.forEach((line, i) => {
    if (!inside(line, view) || !apart(line, m.ink) || !apart(line, m.label) || (m.list && !apart(line, m.list))) {
      faults.push(`footer line ${i} collides`);
    }
  });
  if (m.list) {
    if (!inside(m.list, m.sheet)) faults.push('the take list is cut by the card');
    for (const [name, other] of [['number', m.ink], ['label', m.label], ['piece', m.piece], ['context', m.context]]) {
      if (!apart(m.list, other)) faults.push(`the take list touches the ${name}`);
    }
    if (m.listPlace === 'beside' && Math.abs(m.listBaseline - m.baseline) > 1) {
      faults.push(`the take list's last line is ${(m.listBaseline - m.baseline).toFixed(1)} px off the number's baseline`);
    }
  } else if (m.take.length <= 3) {
    faults.push('the take list is hidden beside a short number');
  }
  return faults;
}

test('the label never touches the number, the take list touches nothing, and nothing is cut, at iPad sizes', async () => {
  const long = 'Symphony No. 9 in D minor, Op. 125: IV. Presto; Allegro assai (alternate ending, strings only)';
  const faults = [];
  await browser.goto(url);
  await browser.evaluate(() => document.fonts.ready.then(() => true));
  for (const [width, height] of [[1024, 768], [1180, 820], [820, 1180], [1366, 1024]]) {
    await browser.resize(width, height);
    for (const take of ['7', '42', '108', '2024', '12345', '123456']) {
      // The list of the takes before, longest marks and lengths included (take 7's start at 6).
      await server.setTakes(takesBefore(take));
      await server.push(recording(take, { piece: long, project: `${long} (session)` }));
      await waitForView((v) => v.take === take, `take ${take} is shown`);
      await waitFor(listed, (l) => l.rows[0]?.[0] === String(Number(take) - 1), `the takes before ${take} are listed`);
      for (const choice of STYLES) {
        await choose(choice);
        const m = await browser.evaluate(`async () => {
          await new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
          return (${measure})(); }`);
        for (const fault of layoutFaults(m)) faults.push(`${width}x${height} ${choice.join(' ')} take ${take}: ${fault}`);
      }
    }
  }
  assert.deepEqual(faults, [], `${engine}: ${faults.length} layout faults`);
});

// The screen-wake tests need WebKit's own rules, and the driver's stand-in for the screen saver
// to see what WebKit asks of it.
const webkitOnly = { skip: engine !== 'webkit' && 'the screen-wake rules tested are WebKit\'s' };

// A name for this machine that is not "localhost": WebKit treats only localhost, *.localhost
// and loopback addresses as secure, so the page reached by it is in the iPad's situation.
async function machineName() {
  const name = hostname();
  await lookup(name).catch((error) => {
    throw new Error(`this machine's name ${name} does not resolve (${error.code}); the test needs it to`);
  });
  return name;
}

const wakeView = (page) => page.evaluate(() => {
  const keeper = document.getElementById('keeper');
  return {
    secure: isSecureContext,
    visible: document.visibilityState === 'visible',
    offered: 'wakeLock' in navigator,
    wake: document.body.getAttribute('data-wake'),
    note: document.getElementById('wake').textContent,
    keeper: keeper && { paused: keeper.paused, muted: keeper.muted, volume: keeper.volume, loop: keeper.loop,
      time: keeper.currentTime },
  };
});
const heldFor = (inhibitions, reason) => inhibitions.taken.filter(([, why]) => why.includes(reason)).length;

test('keeps the screen awake with the wake lock where it is offered, else with the clip after a tap', webkitOnly, async () => {
  const page = await openBrowser(engine, { width: 1180, height: 820 });
  try {
    // WebKit grants the lock only during a tap until permission has been given.
    await page.goto(url);
    // (A page can be tapped only once it is shown; a new window's page starts hidden.)
    let view = await waitFor(() => wakeView(page), (v) => v.wake === 'tap' && v.visible, 'a loopback page asks for a tap');
    assert.deepEqual([view.secure, view.offered], [true, true]);
    await page.tap(590, 410);
    view = await waitFor(() => wakeView(page), (v) => v.wake === 'lock', 'the tap takes the wake lock');
    assert.ok(view.note === '' && (view.keeper === null || view.keeper.paused), 'the clip is not needed');
    await waitFor(() => page.inhibitions(), (i) => i.held === 1 && heldFor(i, 'Screen Wake Lock') === 1,
      'WebKit inhibits the screen saver for the lock alone');

    await page.goto(`http://${await machineName()}:${server.port}/`);
    view = await waitFor(() => wakeView(page), (v) => v.wake === 'tap' && v.visible, 'the page asks for a tap');
    assert.deepEqual([view.secure, view.offered, view.note], [false, false, 'tap once to keep this screen awake']);
    await waitFor(() => page.inhibitions(), (i) => i.held === 0, 'nothing keeps the screen awake before the tap');

    await page.tap(590, 410);
    view = await waitFor(() => wakeView(page), (v) => v.wake === 'media' && v.keeper.time > 0, 'the clip plays after a tap');
    assert.deepEqual([view.note, view.keeper.muted, view.keeper.loop, view.keeper.volume > 0], ['', false, false, true]);
    // Near its end the clip is wound back, and WebKit has still taken its inhibition only once:
    // winding back never lets the display sleep, even for a moment.
    await page.evaluate(() => { document.getElementById('keeper').currentTime = 53; });
    await waitFor(() => wakeView(page), (v) => v.keeper.time > 53, 'the clip plays on near its end');
    await waitFor(() => wakeView(page), (v) => !v.keeper.paused && v.keeper.time < 10, 'the clip is wound back');
    const inhibitions = await page.inhibitions();
    assert.equal(inhibitions.held, 1, 'the clip keeps the display awake');
    assert.equal(heldFor(inhibitions, 'HTMLMediaElement playback'), 1, 'one unbroken inhibition');

    // A browser that refuses the clip even in a tap: the footer says what to do on the iPad.
    await page.addInitScript('HTMLMediaElement.prototype.play = function () {' +
      ' return Promise.reject(new DOMException("refused", "NotAllowedError")); };');
    await page.goto(`http://${await machineName()}:${server.port}/`);
    await waitFor(() => wakeView(page), (v) => v.wake === 'tap' && v.visible, 'the page asks for a tap again');
    await page.tap(590, 410);
    view = await waitFor(() => wakeView(page), (v) => v.wake === 'none', 'the page gives up');
    assert.equal(view.note, 'this screen may lock: set Auto-Lock to Never in Settings');
  } finally {
    await page.close();
  }
});

// The tests that follow need playwright's control of the network.
const chromiumOnly = { skip: engine !== 'chromium' && 'these tests watch and refuse requests through playwright' };

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
  Object.entries(handlers).forEach(([event, handler]) => browser.playwright.on(event, handler));
  seen.stop = () => Object.entries(handlers).forEach(([event, handler]) => browser.playwright.off(event, handler));
  return seen;
}

test('when /events fails the page polls /state, and takes the stream again once it works', chromiumOnly, async () => {
  const streams = watchRequests('/events');
  const polls = watchRequests('/state');
  try {
    await browser.playwright.route('**/events*', (route) => route.fulfill({ status: 404, body: 'Not Found' }));
    try {
      await browser.goto(url);
      await server.push(recording('5'));
      await waitForView((v) => v.take === '5' && !hasClass(v, 'disconnected'), 'the polled state is shown');
      await waitFor(() => polls.count, (n) => n >= 3, 'polling goes on');
    } finally {
      await browser.playwright.unrouteAll({ behavior: 'ignoreErrors' });
    }
    const tried = streams.count;
    await waitFor(() => ({ streams: streams.count, sincePoll: Date.now() - polls.lastAt }),
      (seen) => seen.streams > tried && seen.sincePoll > 2000, 'the stream is tried again and polling stops', 60_000);
    await server.push(recording('6'));
    await waitForView((v) => v.take === '6' && !hasClass(v, 'disconnected'), 'the stream brings the next take');
  } finally {
    streams.stop();
    polls.stop();
  }
});

// A stopped process still has its connections accepted by the system, but answers nothing: what
// a page sees when the Mac has left the network. The stream stays open and silent.
test('a server that stops answering turns the page disconnected, one abandoned poll at a time', chromiumOnly, async () => {
  await browser.goto(url);
  await server.push(recording('42'));
  await waitForView((v) => v.take === '42' && v.label === 'recording' && !hasClass(v, 'disconnected'), 'the take is shown');
  const polls = watchRequests('/state');
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

// Last, as the script it adds stays for every later page this browser loads. Every poll must
// carry the key.
test('without EventSource the page polls /state with its key and follows it', async () => {
  await browser.addInitScript('delete window.EventSource;');
  await server.setKey('three');
  await browser.goto(`${url}?key=three`);
  assert.equal(await browser.evaluate(() => typeof EventSource), 'undefined');
  for (const take of ['8', '9']) {
    await server.push(recording(take));
    await waitForView((v) => v.take === take && !hasClass(v, 'disconnected'), `take ${take} arrives by polling`);
  }
  await server.setKey(null);
});
