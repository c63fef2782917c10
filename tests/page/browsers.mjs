// The two engines the page must work in, behind one small interface: Chromium through
// playwright-core, and WebKitGTK (Safari's engine) through webkit_driver.py on a virtual display
// and a private D-Bus session bus of its own.
//
//   const browser = await openBrowser('chromium' | 'webkit', { width, height });
//   browser.goto(url) · evaluate(fn, arg) · resize(width, height) · addInitScript(source) · close()
//   browser.tap(x, y) · snapshot(path) · inhibitions() (WebKit only)
//   browser.playwright (Chromium only): playwright's page, for tests that control the network
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import { setTimeout as delay } from 'node:timers/promises';

const here = path.dirname(fileURLToPath(import.meta.url));

// A function (or its source) called with one argument that JSON carries, as an expression.
const callText = (fn, arg) => `(${fn})(${arg === undefined ? '' : JSON.stringify(arg)})`;

async function openChromium({ width, height }) {
  const { chromium } = await import('playwright-core').catch((error) => {
    throw new Error(`playwright-core is not installed: run "npm ci" in tests/page (${error.message})`);
  });
  const userDataDir = mkdtempSync(path.join(tmpdir(), 'quorvel-page-'));
  const context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: process.env.QUORVEL_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width, height },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-sync',
      '--disable-background-networking', '--disable-component-update'],
  });
  const page = context.pages()[0] ?? (await context.newPage());
  return {
    engine: 'chromium',
    playwright: page,
    goto: (url) => page.goto(url),
    evaluate: (fn, arg) => (typeof fn === 'string' ? page.evaluate(callText(fn, arg)) : page.evaluate(fn, arg)),
    resize: (w, h) => page.setViewportSize({ width: w, height: h }),
    addInitScript: (source) => page.addInitScript(source),
    close: async () => {
      await context.close();
      rmSync(userDataDir, { recursive: true, force: true });
    },
  };
}

// Starts Xvfb on a display number it picks itself (-displayfd), so tests running side by side
// never race for one, as xvfb-run -a can.
async function startDisplay() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1400x1200x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  const number = await new Promise((resolve, reject) => {
    let text = '';
    xvfb.stdio[3].on('data', (chunk) => {
      text += chunk;
      if (text.includes('\n')) resolve(text.trim());
    });
    xvfb.on('error', reject);
    xvfb.on('exit', (code) => reject(new Error(`Xvfb ended (${code}) before it had a display`)));
  });
  return { display: `:${number}`, stop: () => xvfb.kill() };
}

async function openWebKit({ width, height }) {
  const screen = await startDisplay();
  const driver = spawn('dbus-run-session', ['--', '/usr/bin/python3', path.join(here, 'webkit_driver.py')], {
    stdio: ['pipe', 'ignore', 'inherit', 'pipe'],
    env: { ...process.env, DISPLAY: screen.display, NO_AT_BRIDGE: '1', GDK_BACKEND: 'x11' },
  });
  const exited = once(driver, 'exit');
  const waiting = new Map();
  let ready;
  const started = new Promise((resolve) => { ready = resolve; });
  readline.createInterface({ input: driver.stdio[3] }).on('line', (line) => {
    const message = JSON.parse(line);
    if (message.ready) return ready();
    const answer = waiting.get(message.id);
    waiting.delete(message.id);
    if (message.error !== undefined) answer.reject(new Error(message.error));
    else answer.resolve(message.value);
  });
  exited.then(() => waiting.forEach((answer) => answer.reject(new Error('the WebKit driver ended'))));
  await Promise.race([started, exited.then(() => { throw new Error('the WebKit driver did not start'); })]);
  let next = 0;
  const call = (op, args = {}) => new Promise((resolve, reject) => {
    const id = ++next;
    waiting.set(id, { resolve, reject });
    driver.stdin.write(JSON.stringify({ id, op, ...args }) + '\n');
  });
  // The same call convention as playwright's: a function and one argument that JSON carries.
  const evaluate = (fn, arg) => call('evaluate', { body: `return await ${callText(fn, arg)};` });
  const resize = async (w, h) => {
    await call('resize', { width: w, height: h });
    for (const end = Date.now() + 10_000; ; await delay(50)) {
      const [iw, ih] = await evaluate(() => [innerWidth, innerHeight]);
      if (iw === w && ih === h) return;
      if (Date.now() > end) throw new Error(`the window did not become ${w}x${h} (it is ${iw}x${ih})`);
    }
  };
  await call('open', { width, height });
  return {
    engine: 'webkit',
    goto: async (url) => {
      await call('goto', { url });
      await resize(width, height); // the first layout may come before the window has its size
    },
    evaluate,
    resize: (w, h) => { width = w; height = h; return resize(w, h); },
    tap: (x, y) => call('tap', { x, y }),
    snapshot: (file) => call('snapshot', { path: file }),
    addInitScript: (source) => call('init_script', { source }),
    inhibitions: () => call('inhibitions'),
    close: async () => {
      driver.stdin.end();
      await exited;
      screen.stop();
    },
  };
}

export function openBrowser(engine, size) {
  if (engine === 'chromium') return openChromium(size);
  if (engine === 'webkit') return openWebKit(size);
  throw new Error(`no such engine: ${engine}`);
}

// Waits until check(await read()) holds; fails with why and the last value read. Generous on
// purpose: the tests wait for conditions, never for the machine's speed.
export async function waitFor(read, check, why, deadline = 20_000) {
  for (const end = Date.now() + deadline; ; await delay(50)) {
    const value = await read();
    if (check(value)) return value;
    if (Date.now() > end) throw new Error(`${why}\nlast seen: ${JSON.stringify(value)}`);
  }
}

// remote_page_server, the real server driven line by line (see remote_page_server.cpp).
export async function startPageServer() {
  const binary = process.env.QUORVEL_PAGE_SERVER;
  if (!binary) throw new Error('QUORVEL_PAGE_SERVER must name remote_page_server');
  const server = spawn(binary, [], { stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = once(server, 'exit');
  const answers = [];
  readline.createInterface({ input: server.stdout }).on('line', (line) => answers.push(line));
  const answer = async (expected, why) => {
    await waitFor(() => answers.length, (n) => n > 0, why);
    const line = answers.shift();
    if (!expected.test(line)) throw new Error(`${why}: got ${line}`);
    return line;
  };
  const command = (line, expected) => {
    server.stdin.write(line + '\n');
    return answer(expected, `the answer to ${line}`);
  };
  const port = Number((await answer(/^listening \d+$/, 'the server starts listening')).split(' ')[1]);
  return {
    port,
    pid: server.pid,
    push: (state) => command(JSON.stringify(state), /^updated$/),
    // The take list /api/v1/takes answers with: { takes } for an array of entries, or text as it is.
    setTakes: (takes) => command(`takes ${typeof takes === 'string' ? takes : JSON.stringify({ takes })}`, /^updated$/),
    // The access key the server asks for; none when key is null.
    setKey: (key) => command(key === null ? 'key' : `key ${key}`, /^updated$/),
    stop: () => command('stop', /^stopped$/),
    start: () => command('start', /^listening /),
    close: async () => { server.stdin.end(); await exited; },
  };
}
