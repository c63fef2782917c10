// Writes the README's pictures of the page as Safari's engine draws it at iPad sizes:
//   QUORVEL_PAGE_SERVER=build/test/tests/page/remote_page_server node tests/page/screenshots.mjs
// into docs/screenshots (or the folder given as the first argument).
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { openBrowser, startPageServer, waitFor } from './browsers.mjs';

const folder = process.argv[2] || path.join(path.dirname(fileURLToPath(import.meta.url)), '../../docs/screenshots');
const session = { project: 'Brahms Sessions', piece: 'Intermezzo Op. 118 No. 2', daw: 'REAPER', hasTake: true };
const shots = [
  // name, width, height, style, size, state
  ['page-ipad-landscape-idle', 1180, 820, 'poster', 'card', { ...session, take: '43', status: 'Next take', recording: false }],
  ['page-ipad-landscape-recording', 1180, 820, 'poster', 'card', { ...session, take: '43', status: 'Recording', recording: true }],
  ['page-ipad-portrait-recording', 820, 1180, 'paper', 'full', { ...session, take: '43', status: 'Recording', recording: true }],
  ['page-ipad-portrait-idle', 820, 1180, 'paper', 'full', { ...session, take: '44', status: 'Next take', recording: false }],
];

const server = await startPageServer();
const browser = await openBrowser('webkit', { width: 1180, height: 820 });
try {
  await browser.goto(`http://127.0.0.1:${server.port}/`);
  for (const [name, width, height, style, size, state] of shots) {
    await browser.resize(width, height);
    await server.push(state);
    await browser.evaluate(([style, size]) => {
      document.querySelector(`#styles [data-style="${style}"]`).click();
      document.querySelector(`#styles [data-size="${size}"]`).click();
    }, [style, size]);
    await waitFor(() => browser.evaluate(() => document.getElementById('take').textContent), (t) => t === state.take,
      `${name}: the take is shown`);
    await new Promise((done) => setTimeout(done, 600)); // the colour transitions end
    await browser.snapshot(path.join(folder, `${name}.png`));
    console.log(`${name}.png`);
    // The first picture shows the page as it opens, asking for a tap; the tap then keeps the
    // screen awake and the line goes.
    if (name.endsWith('landscape-idle')) await browser.tap(width / 2, height / 2);
  }
} finally {
  await browser.close();
  await server.close();
}
