// Writes the README's pictures of the page as Safari's engine draws it at iPad sizes:
//   QUORVEL_PAGE_SERVER=build/test/tests/page/remote_page_server node tests/page/screenshots.mjs
// into docs/screenshots (or the folder given as the first argument).
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { openBrowser, startPageServer, waitFor } from './browsers.mjs';

const folder = process.argv[2] || path.join(path.dirname(fileURLToPath(import.meta.url)), '../../docs/screenshots');
const session = { project: 'Brahms Sessions', piece: 'Intermezzo Op. 118 No. 2', daw: 'REAPER', hasTake: true };
// The morning's take sheet: take, mark, length in seconds.
const passes = [['37', 'keep', 352], ['38', 'no good', 62], ['39', '', 134], ['40', 'false start', 7],
  ['41', 'circled', 338], ['42', '', 341], ['43', '', 336]];
// The take list that goes with a state, newest first: the passes before its take, and the one recording now.
function takesFor({ take, recording }) {
  const entry = ([number, mark, seconds], open) => ({ take: number, daw: session.daw, project: session.project,
    piece: session.piece, started: '2026-12-07T10:00:00.000Z', ended: open ? null : '2026-12-07T10:06:00.000Z',
    lengthSeconds: open ? null : seconds, mark, note: '' });
  const done = passes.filter(([number]) => Number(number) < Number(take)).map((pass) => entry(pass, false)).reverse();
  return recording ? [entry([take, '', 0], true), ...done] : done;
}
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
    await server.setTakes(takesFor(state));
    await server.push(state);
    await browser.evaluate(([style, size]) => {
      document.querySelector(`#styles [data-style="${style}"]`).click();
      document.querySelector(`#styles [data-size="${size}"]`).click();
    }, [style, size]);
    const newest = takesFor(state)[0].take;
    await waitFor(() => browser.evaluate(() => [document.getElementById('take').textContent,
      document.querySelector('#takes .row .n')?.textContent]), ([t, n]) => t === state.take && n === newest,
    `${name}: the take and the list are shown`);
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
