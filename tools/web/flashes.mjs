// Finds where the show flashes, for the page's photosensitivity warning: plays the whole show in
// zod.wasm as the page does (60 frames a second, the cues of music.json) and counts flashes as WCAG 2
// does for a general flash: a pair of opposing changes of at least 0.1 in relative luminance whose
// darker side is below 0.8, over a quarter of the picture. Prints the most flashes in any second and
// each stretch where a second holds three or more (WCAG allows three).
//
//   node tools/web/flashes.mjs build/release/web
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { gunzipSync } from 'node:zlib';

const dir = process.argv[2];
const FPS = 60;
const RATE = 48000;
const WIDTH = 512;
const HEIGHT = 280;
const TOP = 52;

let wasm;
const noop = () => 0;
const { instance } = await WebAssembly.instantiate(readFileSync(join(dir, 'zod.wasm')), {
  zod: { fatal: () => { throw new Error('the show reported a fault'); }, message: noop, labFrame: noop },
  wasi_snapshot_preview1: {
    fd_write: (fd, iovs, count, written) => {
      const view = new DataView(wasm.memory.buffer);
      let total = 0;
      for (let i = 0; i < count; i++) total += view.getUint32(iovs + 8 * i + 4, true);
      view.setUint32(written, total, true);
      return 0;
    },
    fd_close: () => 8, fd_seek: () => 8, environ_get: noop, proc_exit: (code) => { throw new Error(`exit ${code}`); },
    environ_sizes_get: (count, size) => {
      const view = new DataView(wasm.memory.buffer);
      view.setUint32(count, 0, true);
      view.setUint32(size, 0, true);
      return 0;
    },
  },
});
wasm = instance.exports;
wasm._initialize();
function scratch(string) {
  const bytes = new TextEncoder().encode(string);
  const pointer = wasm.zod_scratch(bytes.length);
  new Uint8Array(wasm.memory.buffer, pointer, bytes.length).set(bytes);
  return bytes.length;
}
for (const name of JSON.parse(readFileSync(join(dir, 'pictures.json'), 'utf8'))) {
  const bytes = gunzipSync(readFileSync(join(dir, `${name}.gz`)));
  const pointer = wasm.zod_reserveAsset(scratch(name), bytes.length);
  new Uint8Array(wasm.memory.buffer, pointer, bytes.length).set(bytes);
}
if (!wasm.zod_start()) throw new Error('the show did not start');
const { cues } = JSON.parse(readFileSync(join(dir, 'music.json'), 'utf8'));

// sRGB to linear light, per channel value.
const linear = new Float64Array(256).map((_, v) => {
  const c = v / 255;
  return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
});
// A flash counts where it covers a quarter of the picture: the mean luminance of each 4 x 4 cell,
// then of every 2 x 2 block of cells (nine overlapping quarters), each followed on its own.
const CELLS = 4;
const cellW = WIDTH / CELLS;
const cellH = HEIGHT / CELLS;
const quarters = [];
for (let y = 0; y < CELLS - 1; y++) for (let x = 0; x < CELLS - 1; x++) quarters.push({ x, y, luma: [] });
const cells = new Float64Array(CELLS * CELLS);
let nextCue = 0;
let frames = 0;
for (let frame = 0; ; frame++) {
  const sample = Math.floor((frame * RATE) / FPS);
  while (nextCue < cues.length && cues[nextCue][0] <= sample) wasm.zod_cue(cues[nextCue++][1]);
  const over = wasm.zod_frame(Math.floor((sample * 1000) / RATE));
  const rgba = new Uint8Array(wasm.memory.buffer, wasm.zod_rgba() + TOP * WIDTH * 4, WIDTH * HEIGHT * 4);
  cells.fill(0);
  for (let y = 0; y < HEIGHT; y++) {
    const row = Math.floor(y / cellH) * CELLS;
    for (let x = 0; x < WIDTH; x++) {
      const i = (y * WIDTH + x) * 4;
      cells[row + Math.floor(x / cellW)] +=
        0.2126 * linear[rgba[i]] + 0.7152 * linear[rgba[i + 1]] + 0.0722 * linear[rgba[i + 2]];
    }
  }
  for (const q of quarters) {
    const at = q.y * CELLS + q.x;
    q.luma.push((cells[at] + cells[at + 1] + cells[at + CELLS] + cells[at + CELLS + 1]) / (4 * cellW * cellH));
  }
  frames++;
  if (over) break;
}

// The frames where the luminance has turned after swinging by at least 0.1 since the last turn.
function swings(luma) {
  const found = [];
  let low = 0;
  let high = 0;
  let rising = null;
  luma.forEach((l, frame) => {
    if (l > luma[high]) high = frame;
    if (l < luma[low]) low = frame;
    if (rising !== true && l - luma[low] >= 0.1 && luma[low] < 0.8) {
      found.push(frame);
      rising = true;
      high = frame;
    } else if (rising !== false && luma[high] - l >= 0.1 && l < 0.8) {
      found.push(frame);
      rising = false;
      low = frame;
    }
  });
  return found;
}
// Flashes (two turns each) in the second from each frame, the most of any quarter.
const perSecond = new Float64Array(frames);
for (const q of quarters) {
  const turns = swings(q.luma);
  for (let i = 0, j = 0; i < turns.length; i++) {
    while (j < turns.length && turns[j] - turns[i] < FPS) j++;
    perSecond[turns[i]] = Math.max(perSecond[turns[i]], (j - i) / 2);
  }
}
const clock = (frame) => {
  const s = frame / FPS;
  return `${Math.floor(s / 60)}:${(s % 60).toFixed(1).padStart(4, '0')}`;
};
const most = Math.max(...perSecond);
const stretches = [];
perSecond.forEach((flashes, frame) => {
  if (flashes < 3) return;
  const last = stretches[stretches.length - 1];
  if (last && frame <= last[1]) last[1] = frame + FPS;
  else stretches.push([frame, frame + FPS]);
});
console.log(`${frames} frames (${clock(frames)}), at most ${most} flashes in one second`);
for (const [from, to] of stretches) console.log(`3 or more flashes a second from ${clock(from)} to ${clock(to)}`);
