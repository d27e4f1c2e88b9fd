// Runs the web page in the system's headless chromium, served from 127.0.0.1 by a small server of
// our own, and checks it (or measures it):
//
//   node browser.mjs golden WEB_DIR GOLDEN_DIR     every lab script replayed in the page; each frame's
//                                                  hash, from the module's memory and from the canvas,
//                                                  must equal the desktop's golden hash
//   node browser.mjs live WEB_DIR SCREENSHOT.png   10 s of the live page on a clock 4 x real time:
//                                                  the caption's cue at 0:04, the title at 0:30,
//                                                  pause; then the whole show at 200 x: it ends
//                                                  on the end picture
//   node browser.mjs messages WEB_DIR              the page's messages when it cannot run or runs
//                                                  without sound
//   node browser.mjs bench WEB_DIR                 sizes, time to the first frame, ms per frame of
//                                                  each effect (figures, not a test)
//   node browser.mjs music WEB_DIR HEAD.f32        the real audio clock: decoding time, the offset
//                                                  of the decoded music against the rendered samples
//                                                  (HEAD.f32, from zod-web-assets), the first cue
//   node browser.mjs musicgap WEB_DIR              one music piece missing on the server: the music
//                                                  comes back with the next, the picture never stops
//   node browser.mjs player WEB_DIR                scale, keys, clicks, Watch again, a phone
//   node browser.mjs throttled WEB_DIR             loading at 400 kbit/s, 400 ms (figures, not a test)
//   node browser.mjs tracker WEB_DIR               the tracker view (tracker.js) at 20 random cues:
//                                                  the playing row holds the cue's Zxx, lit; and the
//                                                  time follow() takes
//   node browser.mjs howitworks WEB_DIR            the study page's "how it works" panels, mounted on
//                                                  the page without starting the show: every effect's
//                                                  sections, source links and pictures
//   node browser.mjs study WEB_DIR ZOD             the study page: 20 random frames (seed printed,
//                                                  ZOD_SEED sets it) equal `ZOD still` at their
//                                                  moments, a step equals a run from the start, #t=
//                                                  opens at its moment, overlays leave the frame alone
//   node browser.mjs studybench WEB_DIR [SHOT_DIR] the study page's seek and frame times and its
//                                                  bytes beyond the player's (figures, not a test),
//                                                  and its screenshots
//
// --firefox before the mode runs it in Debian's firefox-esr (through WebDriver BiDi) instead.
// Exit code 0 on success, 1 on a failure, 77 when no browser or no puppeteer-core is installed.
import { createRequire } from 'node:module';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { gzipSync, inflateSync } from 'node:zlib';

const SKIP = 77;
const args = process.argv.slice(2);
const firefox = args[0] === '--firefox';
const [mode, webDir, extra] = firefox ? args.slice(1) : args;
const BROWSER = firefox ? '/usr/bin/firefox-esr' : '/usr/bin/chromium';

function skip(why) {
  console.log(`web tests skipped: ${why}`);
  process.exit(SKIP);
}

if (!existsSync(BROWSER)) skip(`no browser (${BROWSER}; Debian package ${firefox ? 'firefox-esr' : 'chromium'})`);
let puppeteer;
try {
  const require = createRequire(new URL('../../tools/web/package.json', import.meta.url));
  puppeteer = require('puppeteer-core');
} catch {
  skip('puppeteer-core is not installed (run tools/setup.sh, which runs npm ci in tools/web)');
}
if (!webDir || !existsSync(join(webDir, 'index.html'))) skip(`no web page in ${webDir} (the web build was left out)`);

const TYPES = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.json': 'application/json',
  '.wasm': 'application/wasm', '.gz': 'application/gzip', '.opus': 'audio/ogg', '.png': 'image/png',
};

// A static server for the page folder: 127.0.0.1 only, any free port, GET and HEAD.
// `hidden` names a file the server pretends not to have.
function serve(root, hidden) {
  const requests = new Map();
  const unversioned = new Set();
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    requests.set(path, (requests.get(path) || 0) + 1);
    if (!/[?&]v=[0-9a-f]{12}$/.test(request.url) && !/^\/(index|study)\.html$/.test(path)) unversioned.add(path);
    const file = resolve(root, `.${path === '/' ? '/index.html' : path}`);
    if (!file.startsWith(resolve(root)) || !existsSync(file) || !statSync(file).isFile() || path === `/${hidden}`) {
      response.writeHead(404).end('not found');
      return;
    }
    const body = readFileSync(file);
    response.writeHead(200, { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream',
      'Content-Length': body.length, 'Cache-Control': 'no-store' });
    response.end(request.method === 'HEAD' ? undefined : body);
  });
  server.requests = requests;
  server.unversioned = unversioned;
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done(server)));
}

// Opens the page with `query` once it is ready (or has reported a fault, which fails the run unless
// options.expectFault), then calls run(page). options.html: the page (index.html, or study.html);
// options.hide: a file the server leaves out;
// options.before: a function run in the page before its own script.
// One browser for the whole run, with an empty profile; each page gets a fresh context of its own.
let browser = null;
let profile = null;
async function theBrowser() {
  if (!browser && firefox) {
    // Sound may start without a gesture, as chromium's flag below allows.
    browser = await puppeteer.launch({ browser: 'firefox', executablePath: BROWSER, headless: true,
      extraPrefsFirefox: { 'media.autoplay.default': 0, 'media.autoplay.blocking_policy': 0 } });
  }
  if (!browser) {
    profile = mkdtempSync(join(tmpdir(), 'zod-chromium-'));
    browser = await puppeteer.launch({
      executablePath: BROWSER,
      headless: true,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync',
        '--autoplay-policy=no-user-gesture-required', `--user-data-dir=${profile}`],
    });
  }
  return browser;
}
async function closeBrowser() {
  if (browser) await browser.close();
  if (profile) rmSync(profile, { recursive: true, force: true });
}

async function withPage(query, run, options = {}) {
  const server = await serve(webDir, options.hide);
  const context = await (await theBrowser()).createBrowserContext();
  try {
    const page = await context.newPage();
    page.on('console', (m) => console.log(`page: ${m.text()}`));
    page.on('pageerror', (e) => console.log(`page error: ${e.message}`));
    await page.setViewport({ width: 1024, height: 768 });
    if (options.before) await page.evaluateOnNewDocument(options.before);
    if (options.network) await page.emulateNetworkConditions(options.network);
    const html = options.html || 'index.html';
    const hook = html === 'study.html' ? 'zodStudy' : 'zodTest';
    const url = options.file ? pathToFileURL(join(resolve(webDir), html)).href
      : `http://127.0.0.1:${server.address().port}/${html}${query}`;
    await page.goto(url);
    await page.waitForFunction(`window.${hook} && (${hook}.ready() || ${hook}.test.lastError)`, { timeout: 60000 });
    const error = await page.evaluate(`${hook}.test.lastError`);
    if (error && !options.expectFault) throw new Error(`the page reports: ${error}`);
    return await run(page, server);
  } finally {
    await context.close();
    server.close();
  }
}

async function golden(goldenDir) {
  const scripts = readdirSync(goldenDir).filter((n) => n.endsWith('.lab')).sort();
  let failures = 0;
  await withPage('?clock=test', async (page) => {
    for (const name of scripts) {
      const script = readFileSync(join(goldenDir, name), 'utf8');
      const want = readFileSync(join(goldenDir, name.replace(/\.lab$/, '.hashes')), 'utf8').split(/\s+/).filter(Boolean);
      const { status, frames } = await page.evaluate((s) => zodTest.runLab(s), script);
      const wrong = [];
      if (status !== 0) wrong.push(`script refused (status ${status})`);
      if (frames.length !== want.length) wrong.push(`${frames.length} frames, ${want.length} golden hashes`);
      frames.forEach((f, i) => {
        if (f.wasmHash !== want[i]) wrong.push(`frame ${i}: module ${f.wasmHash}, golden ${want[i]}`);
        if (f.canvasHash !== f.wasmHash) wrong.push(`frame ${i}: canvas ${f.canvasHash}, module ${f.wasmHash}`);
      });
      console.log(`${wrong.length ? 'MISMATCH' : 'match   '} ${name} (${frames.length} frames)`);
      for (const w of wrong) console.log(`    ${w}`);
      if (wrong.length) failures++;
    }
  });
  console.log(`${scripts.length - failures} of ${scripts.length} golden scripts match in the browser`);
  return failures === 0;
}

async function live(screenshotPath) {
  const speed = 4;
  const onTime = await withPage(`?clock=test&speed=${speed}&autostart`, async (page) => {
    await new Promise((done) => setTimeout(done, 10000));
    const events = await page.evaluate('zodTest.test.events');
    await page.screenshot({ path: screenshotPath });
    console.log(`screenshot: ${screenshotPath}`);
    const first = await page.evaluate('zodTest.test.firstShowMs');
    const caption = events.find((e) => e.kind === 'cue');
    const title = events.find((e) => e.kind === 'entry' && e.entry === 1);
    const problems = [];
    // Each comes in the first frame at or after its moment, whatever the frame rate: the cue when
    // the music reaches the sample its row starts at; the title once the caption's 30 s are over.
    const captionMs = caption ? (caption.sample * 1000) / 48000 : NaN;
    if (!caption || caption.code !== 2 || Math.abs(captionMs - 4000) > 50 ||
        !(caption.previousMs < captionMs && caption.timeMs >= Math.floor(captionMs))) {
      problems.push(`the caption's cue (code 2 at 0:04) came as ${JSON.stringify(caption)}`);
    }
    if (!title || !(title.previousMs - first <= 30000 && title.timeMs - first > 30000)) {
      problems.push(`the title (entry 1 at 0:30 after ${first} ms) came as ${JSON.stringify(title)}`);
    }
    // The pause button holds the show's clock; pressed again, the show goes on from there.
    const frameTime = () => page.evaluate('zodTest.test.lastFrameMs');
    await page.click('#pause');
    const pausedAt = await frameTime();
    await new Promise((done) => setTimeout(done, 1000));
    const stillAt = await frameTime();
    await page.click('#pause');
    await new Promise((done) => setTimeout(done, 500));
    const resumedAt = await frameTime();
    if (stillAt !== pausedAt || !(resumedAt > stillAt && resumedAt < stillAt + 4000)) {
      problems.push(`pause: ${pausedAt} ms when paused, ${stillAt} ms a second later, ${resumedAt} ms after resuming`);
    }
    const entries = await page.evaluate('zodTest.state.wasm.zod_entry()');
    console.log(`caption cue at ${caption && caption.timeMs} ms, title at ${title && title.timeMs} ms, entry now ${entries}`);
    for (const p of problems) console.log(`FAIL ${p}`);
    return problems.length === 0;
  });
  return (await ending()) && onTime;
}

// The whole show at 200 x speed ends by itself, on the end picture, which stays on the screen.
async function ending() {
  return withPage('?clock=test&speed=200&autostart', async (page) => {
    await page.waitForFunction('zodTest.state.ended', { timeout: 60000 });
    const { entry, end, lit } = await page.evaluate(() => {
      const pixels = document.getElementById('screen').getContext('2d').getImageData(0, 0, 512, 280).data;
      let count = 0;
      for (let i = 0; i < pixels.length; i += 4) if (pixels[i] | pixels[i + 1] | pixels[i + 2]) count++;
      return { entry: zodTest.state.wasm.zod_entry(), end: zodTest.test.events.find((e) => e.kind === 'end'), lit: count };
    });
    const ok = entry >= 37 && end && lit > 1000;
    console.log(`${ok ? 'ok  ' : 'FAIL'} the show ended at ${end && end.timeMs} ms in entry ${entry}, ${lit} pixels lit`);
    return ok;
  });
}

async function bench() {
  const wasm = readFileSync(join(webDir, 'zod.wasm'));
  const size = (names) => names.reduce((sum, n) => sum + statSync(join(webDir, n)).size, 0);
  const files = readdirSync(webDir);
  const pageBytes = size(files.filter((n) => !n.endsWith('.opus')));
  const musicBytes = size(files.filter((n) => n.endsWith('.opus')));
  console.log(`zod.wasm: ${wasm.length} bytes, ${gzipSync(wasm, { level: 9 }).length} gzipped`);
  console.log(`page without the music: ${pageBytes} bytes; music: ${musicBytes} bytes`);
  await withPage('?clock=test&autostart', async (page) => {
    await page.waitForFunction('zodTest.test.firstFrameMs !== null', { timeout: 30000 });
    const first = await page.evaluate('zodTest.test.firstFrameMs');
    const loaded = await page.evaluate('zodTest.test.loadedMs');
    console.log(`first frame ${first.toFixed(0)} ms after the page started loading (files loaded at ` +
      `${loaded.toFixed(0)} ms)`);
    // The best of five rounds of 200 frames: the machine's other work only ever adds time.
    for (const effect of ['title', 'tunnel', 'heart', 'sphere', 'plane', 'squaretunnel', 'presents', 'end']) {
      const rounds = [];
      for (let r = 0; r < 5; r++) rounds.push(await page.evaluate((e) => zodTest.bench(e, 200), effect));
      console.log(`${effect.padEnd(13)} ${Math.min(...rounds).toFixed(3)} ms per frame (median of rounds ` +
        `${rounds.sort((a, b) => a - b)[2].toFixed(3)})`);
    }
  });
  return true;
}

async function music(headPath) {
  const head = new Float32Array(readFileSync(headPath).buffer.slice(0));
  return withPage('?autostart', async (page) => {
    const loaded = await page.evaluate('zodTest.test.loadedMs');
    console.log(`music fetched and decoded: ready ${loaded.toFixed(0)} ms after the page started loading`);
    await new Promise((done) => setTimeout(done, 5000));
    const events = await page.evaluate('zodTest.test.events');
    const state = await page.evaluate('zodTest.state.audio.state');
    const cue = events.find((e) => e.kind === 'cue');
    // Still the first scene: the show time only ever grew with the music.
    const entry = await page.evaluate('zodTest.state.wasm.zod_entry()');
    // Nothing covers the show while further music files arrive.
    const covered = await page.evaluate(() => {
      const m = document.getElementById('message');
      return m.hidden ? '' : m.textContent;
    });
    console.log(`audio context ${state}; first cue: ${JSON.stringify(cue)}; entry ${entry}; ` +
      `message over the show: "${covered}"`);
    // The decoded music as the page plays it (the first three files), in two windows:
    // around the boundary between the files at 5 s, and from 20 s to 22 s.
    const windows = [[4, 6], [20, 22]].map(([from, to]) => [from * 48000, to * 48000]);
    const margin = 1000;
    const decoded = await page.evaluate(async (spans, margin) => {
      const files = [await zodTest.fetchMusic(0), await zodTest.fetchMusic(1), await zodTest.fetchMusic(2)];
      const left = new Float32Array(files.reduce((sum, f) => sum + f.length, 0));
      let at = 0;
      for (const f of files) {
        left.set(f.getChannelData(0), at);
        at += f.length;
      }
      return { lengths: files.map((f) => f.length), rate: files[0].sampleRate,
        windows: spans.map(([from, to]) => Array.from(left.subarray(from - margin, to + margin))) };
    }, windows, margin);
    console.log(`decoded: files of ${decoded.lengths.join(' and ')} frames at ${decoded.rate} Hz`);
    // The lag at which the decoded left channel best matches the rendered one (0: sample-exact),
    // and the largest difference at that lag (lossy coding).
    const results = windows.map(([from, to], w) => {
      const got = decoded.windows[w];
      const at = (i, lag) => got[i - from + margin + lag];
      let best = { lag: 0, score: -Infinity };
      for (let lag = -margin; lag <= margin; lag++) {
        let score = 0;
        for (let i = from; i < to; i += 2) score += head[2 * i] * at(i, lag);
        if (score > best.score) best = { lag, score };
      }
      let worst = 0;
      for (let i = from; i < to; i++) worst = Math.max(worst, Math.abs(head[2 * i] - at(i, 0)));
      console.log(`${from / 48000} s to ${to / 48000} s: the decoded music lags by ${best.lag} samples; ` +
        `largest difference ${worst.toFixed(4)}`);
      return best.lag;
    });
    const lags = results;
    return lags.every((l) => l === 0) && state === 'running' && cue && cue.code === 2 && covered === '' && entry === 0;
  });
}

// What the page says when it cannot run, or runs without sound: a file missing on the server, the
// page opened from disk, no WebAssembly; no Web Audio, no Ogg Opus, a sound output that never starts,
// ?mute (the show must then run on, with a note); sound held back by the browser. Each must be a
// visible message or note naming the cause.
async function messages() {
  const silent = (before) => ({ query: '?autostart', runs: true, before });
  const cases = [
    { what: 'a missing picture', query: '?clock=test', hide: 'zod13.raw.gz',
      want: /zod13\.raw\.gz is missing on the server \(HTTP 404\)/ },
    { what: 'the page opened from disk', file: true, want: /must be served by a web server.*\.\/run-web/ },
    { what: 'no WebAssembly', query: '?clock=test', before: () => { delete window.WebAssembly; },
      want: /cannot run WebAssembly/ },
    { what: 'no Web Audio', want: /no Web Audio: the show runs without its music/,
      ...silent(() => { delete window.AudioContext; delete window.webkitAudioContext; }) },
    { what: 'no Ogg Opus', want: /cannot play Ogg Opus/,
      ...silent(() => { HTMLMediaElement.prototype.canPlayType = () => ''; }) },
    { what: 'a sound output that never starts', want: /sound did not start within 4 s/, ...silent(() => {
      Object.defineProperty(BaseAudioContext.prototype, 'state', { get: () => 'suspended' });
      AudioContext.prototype.resume = () => new Promise(() => {});
    }) },
    { what: '?mute', query: '?mute&autostart', runs: true, want: /^$/ },
    { what: 'sound held back until a gesture', query: '?autostart', want: /holds the sound back until you click/,
      before: () => {
        Object.defineProperty(BaseAudioContext.prototype, 'state', { get: () => 'suspended' });
        AudioContext.prototype.resume = () => Promise.resolve();
      } },
  ];
  let ok = true;
  for (const c of cases) {
    const [shown, frames] = await withPage(c.query || '', async (page) => {
      if (c.runs) {
        await page.waitForFunction('zodTest.test.frames > 10', { timeout: 20000 });
        return page.evaluate(() => [zodTest.test.notes.join(' / '), zodTest.test.frames]);
      }
      await page.waitForFunction(() => !document.getElementById('words').textContent.startsWith('Loading'));
      return page.evaluate(() => {
        const m = document.getElementById('message');
        return [m.hidden ? '' : document.getElementById('words').textContent, zodTest.test.frames];
      });
    }, { hide: c.hide, before: c.before, file: c.file, expectFault: true });
    const good = c.want.test(shown) && (!c.runs || frames > 10);
    console.log(`${good ? 'ok  ' : 'FAIL'} ${c.what}: "${shown}"${c.runs ? `, ${frames} frames` : ''}`);
    ok = ok && good;
  }
  return ok;
}

// The page as a player: every file asked for with the build's version, the icons; the picture's
// scale in three windows; which keys act (once per press); Space, M (remembered), a click, a double
// click; Watch again at the end; on a phone (chromium only: touch emulation), the words, a tap
// anywhere, the size of the buttons, and no full-screen button where the browser offers none.
async function player() {
  let ok = true;
  const check = (good, what) => {
    console.log(`${good ? 'ok  ' : 'FAIL'} ${what}`);
    ok = ok && good;
  };
  const look = (page, expression) => page.evaluate(expression);
  const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
  await withPage('?clock=test', async (page, server) => {
    const icons = await look(page, `Promise.all([...document.querySelectorAll('link[rel$=icon]')].map(async (l) =>
      (await fetch(l.href)).headers.get('Content-Type')))`);
    check(server.unversioned.size === 0 && icons.length === 3 && icons.every((t) => t === 'image/png'),
      `every file but index.html is asked for with the build's version (not: ${[...server.unversioned].join(' ') ||
      'none'}), and the ${icons.length} icons are there`);
    const windows = [[1366, 657, '1024 x 560'], [1920, 1080, '1536 x 840'], [400, 300, '400 x 219']];
    for (const [width, height, want] of windows) {
      await page.setViewport({ width, height });
      // The page lays the picture out on the resize event, which comes before the next animation frame.
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
      const got = await look(page, `(() => { const r = document.getElementById('screen').getBoundingClientRect();
        return Math.round(r.width) + ' x ' + Math.round(r.height); })()`);
      check(got === want, `a ${width} x ${height} window shows the picture at ${got}`);
    }
    await page.setViewport({ width: 1024, height: 768 });
    for (const key of ['Shift', 'Control', 'Alt', 'F2']) await page.keyboard.press(key);
    check(!(await look(page, 'zodTest.state.running')), 'Shift, Control, Alt and F2 do not start the show');
    await page.keyboard.press(' ');
    await page.waitForFunction('zodTest.state.running');
    await page.keyboard.down('x');
    await page.keyboard.down('x');
    await page.keyboard.down('x');
    await page.keyboard.up('x');
    await page.keyboard.down('Control');
    await page.keyboard.press('s');
    await page.keyboard.up('Control');
    check((await look(page, 'zodTest.test.keys')) === 1, 'a held key repeats the cue once, Ctrl+S not at all');
    await page.keyboard.press(' ');
    const paused = await look(page, 'zodTest.state.paused');
    await page.keyboard.press(' ');
    check(paused && !(await look(page, 'zodTest.state.paused')), 'Space pauses and goes on');
    await page.keyboard.press('m');
    check((await look(page, 'localStorage.getItem("zod.muted")')) === '1', 'M mutes, and the page keeps it');
    await page.keyboard.press('Tab');
    const focused = await look(page, 'document.activeElement.id');
    await page.keyboard.press('Tab');
    check(focused === 'pause' && (await look(page, 'document.activeElement.id')) === 'mute' &&
      (await look(page, 'zodTest.test.keys')) === 1, 'Tab moves between the controls');
    await page.reload();
    await page.waitForFunction('zodTest.ready()');
    check((await look(page, 'document.getElementById("mute").textContent')) === 'Unmute', 'the mute is remembered');
    await page.keyboard.press('m');
    await page.keyboard.press('Enter');
    await page.waitForFunction('zodTest.state.running');
    await sleep(3500);
    const asleep = !(await look(page, 'document.body.classList.contains("awake")'));
    await page.mouse.click(600, 300);
    check(asleep && (await look(page, 'document.body.classList.contains("awake")')),
      'the controls hide while the show plays, and a click on the picture shows them');
    await page.mouse.click(600, 300, { count: 2 });
    await sleep(500);
    check(await look(page, 'document.fullscreenElement !== null'), 'a double click goes full screen');
  });
  await withPage('?clock=test&speed=200&autostart', async (page) => {
    await page.waitForFunction('zodTest.state.ended', { timeout: 60000 });
    await page.click('#again');
    check(await look(page, 'zodTest.state.running && !zodTest.state.ended && zodTest.state.run === 2'),
      'Watch again plays the show again');
  });
  if (firefox) return ok;
  await withPage('?clock=test', async (page) => {
    const { KnownDevices } = puppeteer;
    await page.emulate(KnownDevices['iPhone 13']);
    await page.reload();
    await page.waitForFunction('zodTest.ready()');
    const words = await look(page, 'document.getElementById("words").textContent');
    const buttons = await look(page, `[...document.querySelectorAll('#controls button')].filter((b) => !b.hidden)
      .map((b) => b.getBoundingClientRect().height)`);
    const offered = await look(page, '!document.getElementById("fullscreen").hidden');
    await page.touchscreen.tap(20, 20);
    await page.waitForFunction('zodTest.state.running', { timeout: 5000 }).catch(() => {});
    check(words === 'Tap to start the show.' && (await look(page, 'zodTest.state.running')),
      `a phone says "${words}", and a tap in a corner starts the show`);
    check(buttons.every((h) => h >= 44) && !offered,
      `buttons ${buttons.join(', ')} px high, full screen ${offered ? '' : 'not '}offered`);
  }, { before: () => Object.defineProperty(Document.prototype, 'fullscreenEnabled', { get: () => false }) });
  return ok;
}

// One music piece the server never gives (the second): the page tries it again, the picture goes
// on, a note says so when the piece is due, and the piece after it is scheduled at its own time.
async function musicGap() {
  const files = JSON.parse(readFileSync(join(webDir, 'music.json'), 'utf8')).files;
  const missing = files[1].name;
  const nextMs = (files[2].first * 1000) / 48000;
  return withPage('?autostart', async (page, server) => {
    await page.waitForFunction('zodTest.test.events.some((e) => e.kind === "music" && e.index === 2) && ' +
      'zodTest.test.notes.length > 0', { timeout: 40000 });
    const { next, notes, longest, frames } = await page.evaluate(() => ({
      next: zodTest.test.events.find((e) => e.kind === 'music' && e.index === 2),
      notes: zodTest.test.notes, longest: zodTest.test.longestStepMs, frames: zodTest.test.frames }));
    const tries = server.requests.get(`/${missing}`) || 0;
    const ok = next.atMs === nextMs && next.lateMs === 0 && notes.some((n) => n.includes(missing)) && tries >= 3 &&
      longest < 500 && frames > 100;
    console.log(`${ok ? 'ok  ' : 'FAIL'} without ${missing} (asked for ${tries} times): the next piece is scheduled ` +
      `at ${next.atMs} ms, ${next.lateMs.toFixed(0)} ms late; ${frames} frames, at most ${longest} ms apart; ` +
      `notes: ${JSON.stringify(notes)}`);
    return ok;
  }, { hide: missing });
}

// Loading on a slow connection (400 kbit/s each way, 400 ms latency; chromium's network
// emulation), started as soon as the page is ready: when it was ready, its first frame, and the
// silence in the music's first 70 s, taken from every music source the page starts (figures, not a
// test).
async function throttled() {
  const recordStarts = () => {
    window.zodStarts = [];
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (when = 0, offset = 0) {
      window.zodStarts.push({ at: Math.max(when, this.context.currentTime), offset, length: this.buffer.duration });
      return start.call(this, when, offset);
    };
  };
  const span = 70;
  return withPage('?autostart', async (page) => {
    const loaded = await page.evaluate('zodTest.test.loadedMs');
    await page.waitForFunction('zodTest.test.firstFrameMs !== null', { timeout: 60000 });
    const first = await page.evaluate('zodTest.test.firstFrameMs');
    await page.waitForFunction(`zodTest.state.audio.currentTime - zodTest.state.startedAt > ${span}`,
      { timeout: (span + 30) * 1000 });
    const { starts, startedAt, late } = await page.evaluate(() => ({ starts: window.zodStarts,
      startedAt: zodTest.state.startedAt, late: zodTest.test.events.filter((e) => e.kind === 'music' && e.lateMs > 0) }));
    for (const e of late) console.log(`music file ${e.index} (due at ${e.atMs} ms) started ${e.lateMs.toFixed(0)} ms late`);
    // The parts of the first `span` seconds of music time that some source played.
    const pieces = starts.map((s) => [s.at - startedAt, s.at - startedAt + s.length - s.offset])
      .sort((a, b) => a[0] - b[0]);
    let heard = 0;
    let until = 0;
    for (const [from, to] of pieces) {
      const a = Math.max(from, until);
      const b = Math.min(to, span);
      if (b > a) heard += b - a;
      until = Math.max(until, to);
    }
    console.log(`400 kbit/s, 400 ms: ready ${(loaded / 1000).toFixed(1)} s, first frame ${(first / 1000).toFixed(1)} s ` +
      `after the page started loading; ${(span - heard).toFixed(1)} s of silence in the music's first ${span} s ` +
      `(${starts.length} pieces started)`);
    return true;
  }, { before: recordStarts, network: { download: 50000, upload: 50000, latency: 400 } });
}

// The tracker view mounted in the player's page (not started): for 20 random cues of music.json
// (the seed is printed; ZOD_SEED repeats a run), the one highlighted row, shown inside its box, holds
// the cue's Zxx lit in the cue channel, and rowAt gives the row starting at the cue's sample, the
// sample before it belonging to an earlier row. Then the time of follow(), as frames play (batches
// of 100 calls 800 samples apart, a 60 Hz frame) and at jumps anywhere in the song (each call).
async function tracker() {
  const music = JSON.parse(readFileSync(join(webDir, 'music.json'), 'utf8'));
  const seed = process.env.ZOD_SEED ? Number(process.env.ZOD_SEED) : Math.floor(Math.random() * 2 ** 31);
  console.log(`seed ${seed} (ZOD_SEED=${seed} repeats the run)`);
  let state = seed;
  const random = () => {  // mulberry32
    state = (state + 0x6d2b79f5) | 0;
    let t = Math.imul(state ^ (state >>> 15), 1 | state);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 2 ** 32;
  };
  const picks = Array.from({ length: 20 }, () => music.cues[Math.floor(random() * music.cues.length)]);
  const starts = Array.from({ length: 60 }, () => Math.floor(random() * music.samples));
  return withPage('?clock=test', async (page) => {
    const version = await page.evaluate(() => new URL(document.querySelector('script[src*="zod.js"]').src)
      .searchParams.get('v'));
    await page.addStyleTag({ url: `tracker.css?v=${version}` });
    await page.addScriptTag({ url: `tracker.js?v=${version}` });
    await page.evaluate(async (v) => {
      const host = document.createElement('div');
      host.style.cssText = 'position: fixed; left: 10px; top: 10px; width: 700px; z-index: 10; background: #000';
      document.body.append(host);
      window.trackerView = await ZodTracker.mount(host, `tracker.json.gz?v=${v}`);
    }, version);
    let ok = true;
    for (const [sample, code] of picks) {
      const seen = await page.evaluate((s) => {
        trackerView.follow(s - 1);
        const before = trackerView.rowAt(s - 1);
        trackerView.follow(s);
        const rows = document.querySelectorAll('.zod-tracker-row.playing');
        const lit = document.querySelectorAll('.zod-tracker-row.playing .cue.lit');
        const box = document.querySelector('.zod-tracker-box').getBoundingClientRect();
        const shown = rows.length === 1 && rows[0].getBoundingClientRect();
        return { rows: rows.length, lit: lit.length === 1 ? lit[0].textContent : null,
          inCueChannel: lit.length === 1 && lit[0].closest('.cue-channel') !== null,
          number: rows.length === 1 ? Number(rows[0].textContent.slice(0, 3)) : null,
          inBox: shown && shown.top >= box.top && shown.bottom <= box.bottom,
          at: trackerView.rowAt(s), before, pageScrolled: window.scrollX !== 0 || window.scrollY !== 0 };
      }, sample);
      const want = `Z${code.toString(16).toUpperCase().padStart(2, '0')}`;
      const good = seen.rows === 1 && seen.lit === want && seen.inCueChannel && seen.inBox && !seen.pageScrolled &&
        seen.number === seen.at.row && seen.at.firstSample === sample && seen.at.cueCode === code &&
        seen.before.firstSample < sample;
      console.log(`${good ? 'ok  ' : 'FAIL'} cue ${want} at sample ${sample}: order ${seen.at.order}, pattern ` +
        `${seen.at.pattern}, row ${seen.at.row} (first sample ${seen.at.firstSample}), lit ${seen.lit}` +
        `${seen.inCueChannel ? ' in the cue channel' : ''}${seen.inBox ? ', shown in its box' : ''}`);
      ok = ok && good;
    }
    const times = await page.evaluate((from, samples) => {
      const median = (values) => values.sort((a, b) => a - b)[values.length >> 1];
      const batches = [];
      for (const start of from) {
        for (let batch = 0; batch < 2; ++batch) {
          const began = performance.now();
          for (let i = 0; i < 100; ++i) trackerView.follow(start + (batch * 100 + i) * 800);
          batches.push((performance.now() - began) / 100);
        }
      }
      const jumps = [];
      for (let i = 0; i < 300; ++i) {
        const began = performance.now();
        trackerView.follow(Math.floor(((i * 7919) % 300) / 300 * samples));
        jumps.push(performance.now() - began);
      }
      return { frame: median(batches), jump: median(jumps), slowestJump: Math.max(...jumps) };
    }, starts, music.samples);
    console.log(`follow(): ${(times.frame * 1000).toFixed(1)} us per call as frames play (median of ` +
      `${starts.length * 2} batches of 100); at a jump ${times.jump.toFixed(2)} ms median, ` +
      `${times.slowestJump.toFixed(1)} ms at most (300 jumps)`);
    return ok;
  });
}

// Each effect that howitworks.json lists (the build writes it from the effects' catalogue) gets a
// panel with all its sections, links to its source and thumbnails that load, all asked for with
// the page's version.
async function howItWorks() {
  return withPage('?clock=test', async (page, server) => {
    const version = await page.evaluate(() =>
      new URL(document.querySelector('script[src^="zod.js"]').src).searchParams.get('v'));
    await page.addScriptTag({ url: `howitworks.js?v=${version}` });
    const problems = await page.evaluate(async (v) => {
      const list = await (await fetch(`howitworks.json?v=${v}`)).json();
      const box = document.createElement('div');
      document.body.appendChild(box);
      const panel = ZodHowItWorks.mount(box, v);
      const wrong = [];
      for (const name of Object.keys(list.effects)) {
        panel.show(name);
        const root = box.firstElementChild;
        const pictures = root.querySelector('[data-section="pictures"]');
        const deadline = performance.now() + 10000;
        while (performance.now() < deadline) {
          const imgs = [...pictures.querySelectorAll('img')];
          if (imgs.length === list.effects[name].length && imgs.every((i) => i.complete)) break;
          await new Promise((done) => setTimeout(done, 50));
        }
        if (root.dataset.effect !== name) wrong.push(`${name}: no panel`);
        for (const key of ['frame', 'lattice', 'pixel', 'formula', 'cues', 'overlays', 'source']) {
          const section = root.querySelector(`[data-section="${key}"]`);
          if (!section || !section.textContent.trim()) wrong.push(`${name}: no ${key} section`);
        }
        const links = [...root.querySelectorAll('[data-section="source"] a')].map((a) => a.getAttribute('href'));
        if (!links.length || !links.every((h) => /\/(effects|render)\/\w+\.(cpp|h)$/.test(h))) {
          wrong.push(`${name}: source links ${JSON.stringify(links)}`);
        }
        const imgs = [...pictures.querySelectorAll('img')];
        if (!list.effects[name].length || imgs.length !== list.effects[name].length) {
          wrong.push(`${name}: ${imgs.length} thumbnails for ${list.effects[name].length} pictures`);
        }
        for (const img of imgs) if (!(img.naturalWidth > 0)) wrong.push(`${name}: ${img.src} did not load`);
      }
      console.log(`how it works: ${Object.keys(list.effects).length} panels checked`);
      return wrong;
    }, version);
    for (const path of server.unversioned) {
      if (/howitworks|thumb-/.test(path)) problems.push(`${path} asked for without the page's version`);
    }
    for (const p of problems) console.log(`FAIL ${p}`);
    return problems.length === 0;
  });
}

// The picture rows of a PNG `zod still` wrote (8-bit RGB, any filters), as R, G, B bytes.
function pngPicture(path) {
  const file = readFileSync(path);
  const width = file.readUInt32BE(16);
  const idat = [];
  for (let at = 8; at < file.length;) {
    const length = file.readUInt32BE(at);
    if (file.toString('latin1', at + 4, at + 8) === 'IDAT') idat.push(file.subarray(at + 8, at + 8 + length));
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(idat));
  const stride = width * 3;
  const rows = [];
  let previous = Buffer.alloc(stride);
  for (let y = 0, at = 0; at < raw.length; y++, at += stride + 1) {
    const filter = raw[at];
    const row = Buffer.from(raw.subarray(at + 1, at + 1 + stride));
    for (let i = 0; i < stride; i++) {
      const a = i >= 3 ? row[i - 3] : 0;
      const b = previous[i];
      const c = i >= 3 ? previous[i - 3] : 0;
      const p = a + b - c;
      const pa = Math.abs(p - a);
      const pb = Math.abs(p - b);
      const pc = Math.abs(p - c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      row[i] = (row[i] + predictor) & 0xff;
    }
    rows.push(row);
    previous = row;
  }
  return Buffer.concat(rows.slice(52, 52 + 280));
}

// What `zod still` draws at show time `clock`: the SHA-256 of the picture's RGB bytes.
function stillHash(zod, clock) {
  const out = join(tmpdir(), `zod-study-${process.pid}.png`);
  execFileSync(zod, ['still', '-y', clock, out], { stdio: ['ignore', 'ignore', 'inherit'] });
  const hash = createHash('sha256').update(pngPicture(out)).digest('hex');
  rmSync(out, { force: true });
  return hash;
}

async function study(zod) {
  if (!zod || !existsSync(zod)) {
    console.log(`FAIL no desktop program at ${zod}`);
    return false;
  }
  const seed = Number(process.env.ZOD_SEED || Math.floor(Math.random() * 2 ** 31));
  console.log(`seed ${seed} (ZOD_SEED=${seed} repeats this run)`);
  let random = seed >>> 0;
  const next = () => {
    random = (random + 0x6d2b79f5) >>> 0;
    let t = random;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  let ok = true;
  const check = (good, what) => {
    console.log(`${good ? 'ok  ' : 'FAIL'} ${what}`);
    ok = ok && good;
  };
  // A frame behind the one shown comes from a fresh show started then, or ahead of time (`prepared`).
  const at = (page, n, prepared = false) => page.evaluate(async (frame, ahead) => {
    if (ahead) zodStudy.prepare();
    zodStudy.show(frame);
    return { frame: zodStudy.state.frame, clock: zodStudy.clock(zodStudy.linkMs(frame)),
      module: await zodStudy.moduleHash(), canvas: await zodStudy.canvasHash() };
  }, n, prepared);
  await withPage('', async (page) => {
    const lastFrame = await page.evaluate('zodStudy.frameAt(zodStudy.state.endMs) - 1');
    // In random order: a frame after the one shown is reached by running on, any other afresh.
    const frames = Array.from({ length: 20 }, () => Math.floor(next() * lastFrame));
    for (const [i, n] of frames.entries()) {
      const shown = await at(page, n, i % 2 === 1);
      const desktop = stillHash(zod, shown.clock);
      check(shown.frame === n && shown.module === desktop && shown.canvas === desktop,
        `frame ${n} (${shown.clock}) equals zod still's`);
    }
    // A step on from a sought frame, and the same frame by a fresh run from the start.
    const n = frames[7];
    await at(page, n);
    await page.evaluate(() => zodStudy.move('forwardFrame'));
    await page.waitForFunction(`zodStudy.state.frame === ${n + 1}`);
    const stepped = await page.evaluate(() => zodStudy.moduleHash());
    await at(page, n + 30);
    const fresh = await at(page, n + 1);
    check(stepped === fresh.module, `a step on from frame ${n} equals frame ${n + 1} of a run from the start`);
    // The overlays lie on their own canvas: the picture's bytes stay as they are.
    const plane = await page.evaluate(() => zodStudy.state.entries.findIndex((e) => e.name === 'plane'));
    const planeFrame = await page.evaluate((i) => zodStudy.frameAt(zodStudy.state.entries[i].startMs + 5000), plane);
    const bare = await at(page, planeFrame);
    const looks = [];
    for (const on of [true, false]) {
      looks.push(await page.evaluate(async (layers) => {
        zodStudy.setLayers(layers);
        return { ink: zodStudy.overlayInk(), module: await zodStudy.moduleHash(), canvas: await zodStudy.canvasHash() };
      }, on));
    }
    check(looks[0].ink > 1000 && looks[1].ink === 0 &&
      looks.every((l) => l.module === bare.module && l.canvas === bare.module),
      `overlays on (${looks[0].ink} pixels inked) and off leave the plane's frame ${planeFrame} as it is`);
  }, { html: 'study.html' });
  await withPage('#t=12:00.000', async (page) => {
    const shown = await page.evaluate(async () => ({ frame: zodStudy.state.frame, playing: zodStudy.state.playing,
      module: await zodStudy.moduleHash(), hash: location.hash }));
    check(shown.frame === 43200 && !shown.playing && shown.module === stillHash(zod, '12:00.000'),
      `#t=12:00.000 opens held at frame 43200, zod still's picture (${shown.hash})`);
  }, { html: 'study.html' });
  return ok;
}

// Figures for the study page: seeks from a click on the timeline to the frame on the canvas
// (afresh, backwards; and on from the frame shown, forwards), frame times with every overlay on,
// the bytes it loads beyond the player's page (music aside); screenshots at a tunnel, a plane and a
// square tunnel moment into SHOT_DIR when given.
async function studyBench(shotDir) {
  const sizes = (requests) => [...requests.keys()].filter((p) => !p.endsWith('.opus'))
    .map((p) => [p, existsSync(join(webDir, p)) ? statSync(join(webDir, p)).size : 0]);
  let player;
  await withPage('?clock=test', async (page, server) => { player = new Map(sizes(server.requests)); });
  await withPage('', async (page, server) => {
    const study = sizes(server.requests);
    const beyond = study.filter(([p]) => !player.has(p));
    const total = beyond.reduce((sum, [, size]) => sum + size, 0);
    console.log(`bytes beyond the player's page: ${total} (${beyond.map(([p, size]) => `${p} ${size}`).join(', ')})`);
    await page.$eval('#timeline', (e) => e.scrollIntoView());
    const seek = async (clockMs) => {
      const box = await page.$eval('#marks', (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.width]; });
      const endMs = await page.evaluate('zodStudy.state.endMs');
      const count = await page.evaluate('zodStudy.test.seeks.length');
      await page.mouse.click(box[0] + (box[2] * clockMs) / endMs, box[1] + 10);
      await page.waitForFunction(`zodStudy.test.seeks.length > ${count}`);
      return page.evaluate('zodStudy.test.seeks.at(-1)');
    };
    const orders = ['backwards, a show started afresh', 'backwards, the show started ahead while idle',
      'forwards, on from the frame shown'];
    for (const order of orders) {
      const moments = [24, 18, 12, 6, 1].map((m) => m * 60000);
      const ahead = order.includes('ahead');
      if (order.startsWith('forwards')) moments.reverse();
      await page.evaluate((off) => { zodStudy.test.noPrepare = off; }, !ahead);
      await seek(order.startsWith('forwards') ? 0 : 25 * 60000);
      const figures = [];
      for (const ms of moments) {
        if (ahead) await page.waitForFunction('zodStudy.state.wasm.zod_studyPrepared()');
        const s = await seek(ms);
        figures.push(`${Math.round(ms / 60000)}:00 ${s.ms.toFixed(0)} ms (module ${s.showMs.toFixed(0)})`);
      }
      console.log(`seek ${order}: ${figures.join(', ')}`);
    }
    console.log(`a show started ahead while idle: ${(await page.evaluate('zodStudy.test.prepareMs')).toFixed(0)} ms`);
    for (const [name, second] of [['sphere', 20], ['plane', 5], ['squaretunnel', 3], ['tunnel', 20], ['title', 10]]) {
      const t = await page.evaluate((effect, s) => {
        zodStudy.setLayers(true);
        const entry = zodStudy.state.entries.find((e) => e.name === effect);
        return zodStudy.frameTimes(zodStudy.frameAt(entry.startMs + s * 1000), 300);
      }, name, second);
      console.log(`${name.padEnd(12)} per frame, all overlays on (median, 95th percentile): whole ` +
        `${t.whole.median.toFixed(2)} ms, ${t.whole.high.toFixed(2)} ms; module and canvas ${t.show.median.toFixed(2)} ms; ` +
        `overlays ${t.overlay.median.toFixed(2)} ms`);
    }
    if (!shotDir) return true;
    await page.setViewport({ width: 1600, height: 1000 });
    for (const [name, entryIndex, second] of [['tunnel', 9, 30], ['plane', 6, 6], ['squaretunnel', 10, 8]]) {
      await page.evaluate((i, s) => {
        zodStudy.setLayers(true);
        zodStudy.show(zodStudy.frameAt(zodStudy.state.entries[i].startMs + s * 1000));
      }, entryIndex, second);
      const path = join(shotDir, `page-study-${name}.jpg`);
      // The page's top: the picture, its timeline and buttons, the panel of values.
      const height = await page.$eval('#top', (e) => Math.ceil(e.getBoundingClientRect().bottom) + 8);
      await page.screenshot({ path, type: 'jpeg', quality: 75, clip: { x: 0, y: 0, width: 1400, height } });
      console.log(`screenshot: ${path}`);
    }
    // The whole page at the last moment: the tracker view and the "how it works" panel below too.
    const whole = join(shotDir, 'page-study-whole.jpg');
    await page.screenshot({ path: whole, type: 'jpeg', quality: 70, fullPage: true });
    console.log(`screenshot: ${whole}`);
    return true;
  }, { html: 'study.html' });
  return true;
}

const runs = { golden: () => golden(extra), live: () => live(extra), messages, player, music: () => music(extra),
  musicgap: musicGap, bench, throttled, study: () => study(extra), studybench: () => studyBench(extra), tracker,
  howitworks: howItWorks };
if (!runs[mode]) {
  console.log(`usage: node browser.mjs [--firefox] ${Object.keys(runs).join('|')} WEB_DIR ` +
    '[GOLDEN_DIR|SCREENSHOT|HEAD.f32]');
  process.exit(1);
}
runs[mode]().then(async (ok) => {
  await closeBrowser();
  process.exit(ok ? 0 : 1);
}, async (error) => {
  console.log(`FAIL ${error.stack || error}`);
  await closeBrowser();
  process.exit(1);
});
