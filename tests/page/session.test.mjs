// The real `quorvel --headless --json --remote-display` watching quorvel-simulate record REAPER
// takes, and the remote page in headless Chromium following it through /events: both must show
// each take while it records and the next one afterwards, and the page must not need to poll.
// Run by CTest as: node --test session.test.mjs
//
// Environment: QUORVEL_PROGRAM and QUORVEL_SIMULATE (required); QUORVEL_CHROMIUM (default
// /usr/bin/chromium).
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { openBrowser, waitFor } from './browsers.mjs';

const work = mkdtempSync(path.join(tmpdir(), 'quorvel-session-'));
const children = [];
let browser;
after(async () => {
  await browser?.close();
  for (const child of children) child.kill('SIGKILL');
  rmSync(work, { recursive: true, force: true });
});

// A port nothing listens on right now.
async function freePort() {
  const probe = createServer();
  await new Promise((resolve) => probe.listen(0, '127.0.0.1', resolve));
  const { port } = probe.address();
  await new Promise((resolve) => probe.close(resolve));
  return port;
}

test('the page through /events and the headless line follow a recorded session', async () => {
  assert.ok(process.env.QUORVEL_PROGRAM && process.env.QUORVEL_SIMULATE);
  mkdirSync(path.join(work, 'config/Quorvel'), { recursive: true });
  mkdirSync(path.join(work, 'home'));
  writeFileSync(path.join(work, 'config/Quorvel/Quorvel.conf'), '[General]\ndawSelection=reaper\n');
  const env = { ...process.env, HOME: path.join(work, 'home'),
    XDG_CONFIG_HOME: path.join(work, 'config'), QT_QPA_PLATFORM: 'offscreen' };
  const port = await freePort();

  const quorvel = spawn(process.env.QUORVEL_PROGRAM,
    ['--headless', '--json', '--remote-display', '--port', String(port)],
    { env, stdio: ['ignore', 'pipe', 'inherit'] });
  children.push(quorvel);
  let headless = {};
  readline.createInterface({ input: quorvel.stdout }).on('line', (line) => {
    headless = JSON.parse(line);
  });

  browser = await openBrowser('chromium', { width: 1024, height: 768 });
  await waitFor(async () => {
    try { await browser.goto(`http://127.0.0.1:${port}/`); return true; } catch { return false; }
  }, (loaded) => loaded, 'the remote display answers');
  const view = () => browser.evaluate(() => ({
    take: document.getElementById('take').textContent,
    recording: document.body.classList.contains('recording'),
    polls: performance.getEntriesByType('resource').filter((r) => new URL(r.name).pathname === '/state').length,
  }));

  const simulate = spawn(process.env.QUORVEL_SIMULATE,
    ['reaper', '--folder', path.join(work, 'Concert'), '--takes', '2', '--first-take', '41',
      '--take-seconds', '3', '--gap-seconds', '12'], { env, stdio: 'ignore' });
  children.push(simulate);

  for (const take of [41, 42]) {
    const number = String(take);
    await waitFor(() => headless, (s) => s.recording && s.take === number,
      `the headless line shows take ${take} recording`);
    await waitFor(view, (v) => v.recording && v.take === number,
      `the page shows take ${take} recording`);
    const next = String(take + 1);
    await waitFor(() => headless, (s) => !s.recording && s.take === next,
      `the headless line shows take ${next} next`);
    await waitFor(view, (v) => !v.recording && v.take === next, `the page shows take ${next} next`);
  }
  assert.equal((await view()).polls, 0, 'the page followed the stream, without polling');
});
