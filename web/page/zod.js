// The page around zod.wasm: loads the module, the pictures and the music from this folder, plays
// the music with Web Audio and drives the show from the audio clock, one frame per animation frame.
// pictures.json, written by the build from the show's own table, lists the pictures by the names
// the module looks them up by; each is stored gzip-compressed under that name plus ".gz".
//
// The music was rendered at build time at 48000 Hz into Ogg Opus files (5 s, then 30 s each),
// listed with their first samples in music.json beside the cue table (the sample each Zxx row
// starts at, and its code). The show starts once the first file is decoded; each further one is
// fetched and decoded while the music plays and scheduled on the audio clock at its exact first
// sample. A cue is raised once the audio clock, less the output latency, has reached its sample;
// only the latest cue between two frames acts, because the module keeps one pending flag and one
// code, as the desktop does.
//
// Address parameters, for tests and benchmarks:
//   ?clock=test&speed=S   the show runs on a clock S times real time from the page's start, with
//                         the cue table but without fetching or playing the music
//   ?autostart            starts as soon as everything is loaded, without waiting for a click
// window.zodTest exposes the lab, a benchmark and what the live run did (see the end of the file).
'use strict';

(() => {
  const SAMPLE_RATE = 48000;
  const WIDTH = 512;
  const HEIGHT = 384;
  const FRAME_TOP = 52;
  const FRAME_HEIGHT = 280;

  const params = new URLSearchParams(location.search);
  const testClock = params.get('clock') === 'test';
  const testSpeed = Number(params.get('speed') || '1');
  const autostart = params.has('autostart');

  const canvas = document.getElementById('screen');
  const context2d = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
  const message = document.getElementById('message');
  const pauseButton = document.getElementById('pause');
  const fullscreenButton = document.getElementById('fullscreen');

  const state = {
    wasm: null,          // the module's exports
    cues: [],            // [sample, code], in playing order
    nextCue: 0,
    music: null,         // music.json: the files, their length, the cues
    firstMusic: null,    // the first file, decoded
    audio: null,         // the AudioContext
    gain: null,          // every piece of the music goes through it (the fade at the end)
    startedAt: 0,        // audio context time (or performance time, test clock) of sample 0
    running: false,
    paused: false,
    ended: false,
    pausedClock: 0,
    failed: false,
    showMade: false,
    lastSample: 0,       // the music's position at the latest frame
  };
  const test = {
    events: [],          // {kind: 'cue'|'entry'|'end', timeMs, code|entry}
    firstFrameMs: null,  // performance.now() when the first show frame was on the canvas
    firstShowMs: null,   // that frame's show time; entry 0 starts then
    lastFrameMs: null,   // the show time of the latest frame
    loadedMs: null,
    frames: 0,
    lastError: null,
  };

  // ---- Messages: never a blank canvas without a word.
  function say(text, kind) {
    // A fault stays on the page: later progress must not cover it.
    if (state.failed && kind !== 'error') return;
    message.textContent = text;
    message.className = kind || '';
    message.hidden = false;
  }
  function hideMessage() { message.hidden = true; }
  function fail(text) {
    state.failed = true;
    test.lastError = text;
    say(text, 'error');
  }

  // ---- Scaling: 4:3 kept, whole device pixels per screen pixel where that fits, black around.
  function layout() {
    const ratio = window.devicePixelRatio || 1;
    const availW = window.innerWidth * ratio;
    const availH = window.innerHeight * ratio;
    let scale = Math.floor(Math.min(availW / WIDTH, availH / HEIGHT));
    if (scale < 1) scale = Math.min(availW / WIDTH, availH / HEIGHT);
    canvas.style.width = `${(WIDTH * scale) / ratio}px`;
    canvas.style.height = `${(HEIGHT * scale) / ratio}px`;
  }
  window.addEventListener('resize', layout);
  layout();
  context2d.fillStyle = '#000';
  context2d.fillRect(0, 0, WIDTH, HEIGHT);

  // ---- The module and its imports.
  function text(pointer) {
    const bytes = new Uint8Array(state.wasm.memory.buffer, pointer);
    let end = 0;
    while (bytes[end] !== 0) end++;
    return new TextDecoder().decode(bytes.subarray(0, end));
  }
  function writeScratch(string) {
    const bytes = new TextEncoder().encode(string);
    const pointer = state.wasm.zod_scratch(bytes.length);
    new Uint8Array(state.wasm.memory.buffer, pointer, bytes.length).set(bytes);
    return bytes.length;
  }
  let labSink = null;
  let consoleLine = '';
  const imports = {
    zod: {
      fatal: (caption, what) => fail(`${text(caption)}\n${text(what)}`),
      message: (what) => console.warn(`zod: ${text(what)}`),
      labFrame: (index, entry, quit, frame) => { if (labSink) labSink(index, entry, quit, frame); },
    },
    // The little of WASI the C library links: text written to stderr goes to the console.
    wasi_snapshot_preview1: {
      fd_write: (fd, iovs, count, written) => {
        const view = new DataView(state.wasm.memory.buffer);
        let total = 0;
        for (let i = 0; i < count; i++) {
          const base = view.getUint32(iovs + 8 * i, true);
          const length = view.getUint32(iovs + 8 * i + 4, true);
          consoleLine += new TextDecoder().decode(new Uint8Array(state.wasm.memory.buffer, base, length));
          total += length;
        }
        const lines = consoleLine.split('\n');
        consoleLine = lines.pop();
        for (const line of lines) console.log(line);
        view.setUint32(written, total, true);
        return 0;
      },
      fd_close: () => 8,
      fd_seek: () => 8,
      environ_sizes_get: (count, size) => {
        const view = new DataView(state.wasm.memory.buffer);
        view.setUint32(count, 0, true);
        view.setUint32(size, 0, true);
        return 0;
      },
      environ_get: () => 0,
      proc_exit: (code) => { throw new Error(`zod.wasm exited with ${code}`); },
    },
  };

  // ---- Loading, with a progress line.
  const progress = { files: 0, done: 0, bytes: 0 };
  function showProgress() {
    // Music fetched while the show plays is not news.
    if (state.running) return;
    say(`Loading ${progress.done} of ${progress.files} files, ${(progress.bytes / 1048576).toFixed(1)} MB`);
  }
  // A packed file is stored gzip-compressed under its name plus ".gz".
  async function fetchBytes(name, packed = false) {
    const url = packed ? `${name}.gz` : name;
    let response;
    try {
      response = await fetch(url);
    } catch (error) {
      throw new Error(`Cannot fetch ${name} from the server (${error.message}).`);
    }
    if (!response.ok) throw new Error(`The file ${url} is missing on the server (HTTP ${response.status}).`);
    const reader = response.body.getReader();
    const chunks = [];
    let length = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      length += value.length;
      progress.bytes += value.length;
      showProgress();
    }
    let bytes = new Uint8Array(length);
    let at = 0;
    for (const chunk of chunks) { bytes.set(chunk, at); at += chunk.length; }
    // A server that announces .gz files as gzip-encoded has the browser unpack them already.
    if (packed && bytes[0] === 0x1f && bytes[1] === 0x8b) {
      const unpacked = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
      bytes = new Uint8Array(await new Response(unpacked).arrayBuffer());
    }
    progress.done++;
    showProgress();
    return bytes;
  }

  async function load() {
    if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
      fail('This browser cannot run WebAssembly, which the show needs.');
      return;
    }
    const AudioContextClass = window.AudioContext || window.webkitAudioContext;
    if (typeof DecompressionStream !== 'function') {
      fail('This browser is too old for the show: it cannot unpack the pictures (no DecompressionStream).');
      return;
    }
    if (!testClock && !AudioContextClass) {
      fail('This browser has no Web Audio, which the show needs for its music.');
      return;
    }
    const names = ['zod.wasm', 'music.json'];
    progress.files = names.length + 1 + (testClock ? 0 : 1);
    showProgress();
    // The pictures are fetched as soon as their list is in, beside the module and the music table.
    async function fetchPictures() {
      const list = await fetchBytes('pictures.json');
      let pictures;
      try {
        pictures = JSON.parse(new TextDecoder().decode(list));
        if (!Array.isArray(pictures) || pictures.length === 0 || !pictures.every((n) => typeof n === 'string')) {
          throw new Error('unexpected content');
        }
      } catch (error) {
        throw new Error(`pictures.json cannot be read: ${error.message}`);
      }
      progress.files += pictures.length;
      const bytes = await Promise.all(pictures.map((name) => fetchBytes(name, true)));
      return pictures.map((name, i) => [name, bytes[i]]);
    }
    let files;
    let pictures;
    try {
      [files, pictures] = await Promise.all([Promise.all(names.map((name) => fetchBytes(name))), fetchPictures()]);
    } catch (error) {
      fail(error.message);
      return;
    }
    const byName = new Map(names.map((name, i) => [name, files[i]]));
    try {
      const { instance } = await WebAssembly.instantiate(byName.get('zod.wasm'), imports);
      state.wasm = instance.exports;
      state.wasm._initialize();
    } catch (error) {
      fail(`zod.wasm cannot be started: ${error.message}`);
      return;
    }
    try {
      const table = JSON.parse(new TextDecoder().decode(byName.get('music.json')));
      if (table.sampleRate !== SAMPLE_RATE || !Array.isArray(table.cues) || !Array.isArray(table.files) ||
          table.files.length === 0) {
        throw new Error('unexpected content');
      }
      state.cues = table.cues;
      state.music = table;
    } catch (error) {
      fail(`music.json cannot be read: ${error.message}`);
      return;
    }
    for (const [name, bytes] of pictures) {
      // The module looks JPEG textures up by their own name plus ".rgb"; the rest as they are.
      const pointer = state.wasm.zod_reserveAsset(writeScratch(name), bytes.length);
      if (!pointer) { fail(`Not enough memory for ${name}.`); return; }
      new Uint8Array(state.wasm.memory.buffer, pointer, bytes.length).set(bytes);
    }
    if (!testClock) {
      try {
        state.audio = new AudioContextClass({ sampleRate: SAMPLE_RATE, latencyHint: 'playback' });
        state.firstMusic = await fetchMusic(0);
      } catch (error) {
        fail(error.message);
        return;
      }
    }
    test.loadedMs = performance.now();
    if (autostart) {
      start();
    } else {
      say('Click or press a key to start the show.', 'start');
    }
  }

  // ---- The music, a file at a time.
  async function fetchMusic(index) {
    const { name } = state.music.files[index];
    const encoded = await fetchBytes(name);
    try {
      return await state.audio.decodeAudioData(encoded.buffer);
    } catch (error) {
      throw new Error(`The music (${name}) cannot be decoded in this browser: ${error.message || error}`);
    }
  }
  // Plays file `index` from its first sample's moment on the audio clock, or from the right place
  // inside it should it come late.
  function scheduleMusic(index, buffer) {
    const source = state.audio.createBufferSource();
    source.buffer = buffer;
    source.connect(state.gain);
    source.onended = () => source.disconnect();
    const when = state.startedAt + state.music.files[index].first / SAMPLE_RATE;
    const now = state.audio.currentTime;
    if (when >= now) source.start(when);
    else if (now - when < buffer.duration) source.start(now, now - when);
  }
  // Fetches and decodes each further file some 20 s before it is due (the second at once), so that
  // only a few are held decoded at a time.
  async function feedMusic() {
    for (let index = 1; index < state.music.files.length && !state.ended; index++) {
      const due = state.music.files[index].first / SAMPLE_RATE;
      while (!state.ended && musicSeconds() < due - 20) await new Promise((done) => setTimeout(done, 500));
      if (state.ended) return;
      let buffer;
      try {
        buffer = await fetchMusic(index);
      } catch (error) {
        say(error.message, 'error');
        return;
      }
      scheduleMusic(index, buffer);
    }
  }

  // ---- The show's clock: the music's position, in samples.
  function musicSeconds() {
    if (testClock) {
      const now = state.paused ? state.pausedClock : performance.now();
      return ((now - state.startedAt) / 1000) * testSpeed;
    }
    const audio = state.audio;
    let contextTime;
    const stamp = audio.getOutputTimestamp ? audio.getOutputTimestamp() : null;
    if (stamp && stamp.contextTime > 0 && stamp.performanceTime > 0 && audio.state === 'running') {
      // The context time of the sample the output plays now.
      contextTime = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    } else {
      contextTime = audio.currentTime - (audio.outputLatency || 0) - (audio.baseLatency || 0);
    }
    return contextTime - state.startedAt;
  }

  async function start() {
    if (state.running || state.failed || !state.wasm) return;
    say('Starting...');
    if (!state.showMade) {
      state.showMade = true;
      if (!state.wasm.zod_start()) return;  // the module has reported why
    }
    if (!testClock) {
      try {
        await state.audio.resume();
      } catch (error) { /* reported below */ }
      if (state.audio.state !== 'running') {
        say('The browser holds the sound back until you click: click or press a key to start.', 'start');
        return;
      }
      state.gain = state.audio.createGain();
      state.gain.connect(state.audio.destination);
      // On a whole sample, so that every file starts exactly where the one before ends.
      state.startedAt = Math.ceil((state.audio.currentTime + 0.1) * SAMPLE_RATE) / SAMPLE_RATE;
      scheduleMusic(0, state.firstMusic);
      state.firstMusic = null;
      feedMusic();
    } else {
      state.startedAt = performance.now();
    }
    state.running = true;
    pauseButton.disabled = false;
    hideMessage();
    requestAnimationFrame(frame);
  }

  function present() {
    const pointer = state.wasm.zod_rgba();
    const pixels = new Uint8ClampedArray(state.wasm.memory.buffer, pointer, WIDTH * HEIGHT * 4);
    context2d.putImageData(new ImageData(pixels, WIDTH, HEIGHT), 0, 0);
  }

  function frame() {
    if (!state.running || state.ended) return;
    if (!state.paused) {
      // Never backwards: the output timestamp can step back a little between frames, and the
      // show's clock would read a smaller count as the counter wrapping round.
      const sample = Math.max(state.lastSample, Math.floor(musicSeconds() * SAMPLE_RATE));
      state.lastSample = sample;
      const timeMs = Math.floor((sample * 1000) / SAMPLE_RATE);
      while (state.nextCue < state.cues.length && state.cues[state.nextCue][0] <= sample) {
        const [cueSample, code] = state.cues[state.nextCue];
        state.wasm.zod_cue(code);
        test.events.push({ kind: 'cue', timeMs, previousMs: test.lastFrameMs, code, sample: cueSample });
        state.nextCue++;
      }
      const entryBefore = state.wasm.zod_entry();
      const over = state.wasm.zod_frame(timeMs);
      const entry = state.wasm.zod_entry();
      if (entry !== entryBefore) {
        test.events.push({ kind: 'entry', timeMs, previousMs: test.lastFrameMs, entry });
      }
      present();
      test.frames++;
      test.lastFrameMs = timeMs;
      if (test.firstFrameMs === null) {
        test.firstFrameMs = performance.now();
        test.firstShowMs = timeMs;
      }
      if (over) {
        end(timeMs);
        return;
      }
    }
    requestAnimationFrame(frame);
  }

  function end(timeMs) {
    state.ended = true;
    test.events.push({ kind: 'end', timeMs });
    pauseButton.disabled = true;
    if (state.gain) state.gain.gain.setTargetAtTime(0, state.audio.currentTime, 0.3);
    // The end picture stays on the screen.
  }

  async function togglePause() {
    if (!state.running || state.ended) return;
    state.paused = !state.paused;
    pauseButton.textContent = state.paused ? 'Play' : 'Pause';
    if (testClock) {
      if (state.paused) state.pausedClock = performance.now();
      else state.startedAt += performance.now() - state.pausedClock;
    } else if (state.paused) {
      await state.audio.suspend();
    } else {
      await state.audio.resume();
    }
    if (state.paused) say('Paused', 'start'); else hideMessage();
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen();
    } else if (document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(() => {});
    }
  }

  // ---- Keys and clicks. Escape is the browser's own: it leaves full screen.
  window.addEventListener('keydown', (event) => {
    if (event.key === 'Escape') return;
    if (event.key === 'F11') { event.preventDefault(); toggleFullscreen(); return; }
    if (event.key === 'Pause') { event.preventDefault(); togglePause(); return; }
    if (event.target instanceof HTMLButtonElement && (event.key === 'Enter' || event.key === ' ')) return;
    if (!state.running) { start(); return; }
    if (!state.ended && !state.paused) state.wasm.zod_key();
  });
  message.addEventListener('click', () => {
    if (state.paused) togglePause(); else if (!state.running) start();
  });
  canvas.addEventListener('click', () => { if (!state.running) start(); });
  pauseButton.addEventListener('click', togglePause);
  fullscreenButton.addEventListener('click', toggleFullscreen);
  document.addEventListener('fullscreenchange', () => {
    document.body.classList.toggle('fullscreen', !!document.fullscreenElement);
    layout();
  });

  // ---- The test hook.
  function fnv1a64() {
    // FNV-1a 64 in two 32-bit halves: the prime is 2^40 + 0x1b3.
    let hi = 0xcbf29ce4;
    let lo = 0x84222325;
    return {
      byte(b) {
        lo = (lo ^ b) >>> 0;
        const t = lo * 0x1b3;
        const carry = Math.floor(t / 4294967296);
        hi = (Math.imul(hi, 0x1b3) + carry + (lo << 8)) >>> 0;
        lo = t >>> 0;
      },
      hex() { return hi.toString(16).padStart(8, '0') + lo.toString(16).padStart(8, '0'); },
    };
  }
  // The frame's bytes in file order: the little-endian words 0x00RRGGBB.
  function hashWords(words) {
    const h = fnv1a64();
    for (let i = 0; i < words.length; i++) h.byte(words[i]);
    return h.hex();
  }
  // The same bytes read back from the canvas (blue, green, red, and the top byte, 0).
  function hashCanvas() {
    const rgba = context2d.getImageData(0, FRAME_TOP, WIDTH, FRAME_HEIGHT).data;
    const h = fnv1a64();
    for (let i = 0; i < rgba.length; i += 4) {
      h.byte(rgba[i + 2]); h.byte(rgba[i + 1]); h.byte(rgba[i]); h.byte(0);
    }
    return h.hex();
  }

  window.zodTest = {
    state, test,
    ready: () => state.wasm !== null && test.loadedMs !== null,
    fetchMusic,
    // Replays a lab script as `zod lab` does; each frame goes through the canvas and is hashed
    // twice: from the module's frame buffer and from the canvas.
    runLab(script) {
      const frames = [];
      labSink = (index, entry, quit, framePointer) => {
        present();
        const bytes = new Uint8Array(state.wasm.memory.buffer, framePointer, WIDTH * FRAME_HEIGHT * 4);
        frames.push({ index, entry, quit: quit === 1, wasmHash: hashWords(bytes), canvasHash: hashCanvas() });
      };
      const status = state.wasm.zod_labRun(writeScratch(script));
      labSink = null;
      return { status, frames };
    },
    // Milliseconds per frame of one effect alone, over `frames` frames 16 ms apart.
    bench(effect, frames) {
      if (!state.wasm.zod_benchBegin(writeScratch(effect))) return null;
      for (let i = 0; i < 5; i++) state.wasm.zod_benchRender(1000 + i * 16);
      const begin = performance.now();
      for (let i = 0; i < frames; i++) state.wasm.zod_benchRender(2000 + i * 16);
      return (performance.now() - begin) / frames;
    },
  };

  load().catch((error) => fail(`The show cannot start: ${error.message || error}`));
})();
