// Take file created -> the remote page in headless Chromium shows that take recording: the
// delay, over many takes. quorvel-simulate records REAPER takes (1.5 s each, 0.7 s apart) and
// prints a line the moment a take's files exist; the page reports every change of its number or
// its recording look to this script as it happens (a MutationObserver). Run twice: as built (the
// page on /events, Quorvel woken by folder changes), and the way it was before (QUORVEL_POLL_ONLY=1,
// and /events refused so the page polls /state every 400 ms).
//
// Usage: node bench/latency/page_latency.mjs [--build build/test] [--takes 20]
// Needs tests/page's node modules (scripts/test.sh installs them) and /usr/bin/chromium.
import { spawn } from 'node:child_process';
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { performance } from 'node:perf_hooks';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import { setTimeout as delay } from 'node:timers/promises';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const { chromium } = createRequire(path.join(root, 'tests/page/package.json'))('playwright-core');
const option = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at > 0 ? process.argv[at + 1] : fallback;
};
const build = path.resolve(option('--build', path.join(root, 'build/test')));
const takes = Number(option('--takes', '20'));

async function freePort() {
  const probe = createServer();
  await new Promise((resolve) => probe.listen(0, '127.0.0.1', resolve));
  const { port } = probe.address();
  await new Promise((resolve) => probe.close(resolve));
  return port;
}

async function measure(browser, pollOnly) {
  const work = mkdtempSync(path.join(tmpdir(), 'quorvel-page-latency-'));
  mkdirSync(path.join(work, 'config/Quorvel'), { recursive: true });
  mkdirSync(path.join(work, 'home'));
  writeFileSync(path.join(work, 'config/Quorvel/Quorvel.conf'), '[General]\ndawSelection=reaper\n');
  const env = { ...process.env, HOME: path.join(work, 'home'), XDG_CONFIG_HOME: path.join(work, 'config'),
    QT_QPA_PLATFORM: 'offscreen', QUORVEL_POLL_ONLY: pollOnly ? '1' : '0' };
  const port = await freePort();
  const quorvel = spawn(path.join(build, 'src/app/quorvel'),
    ['--headless', '--remote-display', '--port', String(port)], { env, stdio: 'ignore' });
  const page = await browser.newPage();
  if (pollOnly) await page.route('**/events*', (route) => route.abort());
  const shown = new Map();
  await page.exposeFunction('quorvelShown', (take, recording) => {
    const number = Number(take);
    if (recording && Number.isInteger(number) && !shown.has(number)) shown.set(number, performance.now());
  });
  for (let loaded = false; !loaded; await delay(100)) {
    loaded = await page.goto(`http://127.0.0.1:${port}/`).then(() => true, () => false);
  }
  await page.evaluate(() => {
    const report = () => window.quorvelShown(document.getElementById('take').textContent,
      document.body.classList.contains('recording'));
    new MutationObserver(report).observe(document.body,
      { attributes: true, childList: true, subtree: true, characterData: true });
  });
  await delay(2000);

  const created = new Map();
  const simulate = spawn(path.join(build, 'tools/quorvel-simulate'),
    ['reaper', '--folder', path.join(work, 'Session'), '--takes', String(takes), '--take-seconds', '1.5',
      '--gap-seconds', '0.7'], { env, stdio: ['ignore', 'pipe', 'ignore'] });
  readline.createInterface({ input: simulate.stdout }).on('line', (line) => {
    const words = line.split(' ');
    if (words[0] === 'take' && words[2] === 'recording:' && !created.has(Number(words[1])))
      created.set(Number(words[1]), performance.now());
  });
  const deadline = performance.now() + takes * 2500 + 30_000;
  const measured = () => [...created.keys()].filter((take) => shown.has(take));
  while (measured().length < takes && performance.now() < deadline) await delay(100);
  simulate.kill('SIGKILL');
  quorvel.kill('SIGTERM');
  await page.close();
  rmSync(work, { recursive: true, force: true });
  // The page can show a take before the simulator's own line is read; that counts as no delay.
  return measured().map((take) => Math.max(0, shown.get(take) - created.get(take))).sort((a, b) => a - b);
}

const percentile = (values, p) => values[Math.min(values.length - 1, Math.round((p / 100) * (values.length - 1)))];
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run'] });
const results = {};
for (const [label, pollOnly] of [['events, woken', false], ['poll only', true]]) {
  const delays = await measure(browser, pollOnly);
  results[label] = delays;
  console.log(`${label.padEnd(14)} takes ${String(delays.length).padStart(3)}  p50 ${percentile(delays, 50).toFixed(1).padStart(7)} ms`
    + `  p95 ${percentile(delays, 95).toFixed(1).padStart(7)} ms  max ${Math.max(...delays).toFixed(1).padStart(7)} ms`);
}
const [woken, polled] = [results['events, woken'], results['poll only']];
console.log(`ratio poll/events p50 ${(percentile(polled, 50) / percentile(woken, 50)).toFixed(1)}x`
  + `  p95 ${(percentile(polled, 95) / percentile(woken, 95)).toFixed(1)}x`);
await browser.close();
