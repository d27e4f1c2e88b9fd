// The page around zod.wasm: loads the module, the pictures and the music from this folder, plays
// the music with Web Audio and drives the show from the audio clock, one frame per animation frame.
// pictures.json, written by the build from the show's own table, lists the pictures by the names
// the module looks them up by; each is stored gzip-compressed under that name plus ".gz".
//
// The music was rendered at build time at 48000 Hz into Ogg Opus files (5 s, 10 s, 20 s, then 30 s each),
// listed with their first samples in music.json beside the cue table (the sample each Zxx row
// starts at, and its code). The show starts once the first file is decoded; each further one is
// fetched and decoded while the music plays and scheduled on the audio clock at its exact first
// sample. A cue is raised once the audio clock, less the output latency, has reached its sample;
// only the latest cue between two frames acts, because the module keeps one pending flag and one
// code, as the desktop does.
//
// Without sound (no sound output within a few seconds of the start, no Ogg Opus, no Web Audio, or
// ?mute) the show runs on the page's own clock, with the same cues, and a note says why.
//
// Address parameters:
//   ?mute                 no sound: the show runs on the page's own clock
//   ?clock=test&speed=S   (tests, benchmarks) the show runs on a clock S times real time from the
//                         start, with the cue table but without fetching or playing the music
//   ?autostart            starts as soon as everything is loaded, without waiting for a click
// window.zodTest exposes the lab, a benchmark and what the live run did (see the end of the file).
'use strict';

(() => {
  const SAMPLE_RATE = 48000;
  // Only the 512 x 280 picture is drawn: the screen's black bars above and below it are the page's
  // own black, so the canvas holds the picture alone and is scaled by it.
  const WIDTH = 512;
  const FRAME_TOP = 52;
  const FRAME_HEIGHT = 280;
  // How long the sound output may take to start before the show runs without it.
  const AUDIO_START_LIMIT_MS = 4000;
  const NOTE_MS = 8000;
  const CONTROLS_AWAKE_MS = 3000;

  // The build's version, from this script's own address (zod.js?v=...): every file the page fetches
  // carries it, so that no cache pairs this script with another build's module, pictures or music.
  const VERSION = new URL(document.currentScript.src).searchParams.get('v');
  const params = new URLSearchParams(location.search);
  const testClock = params.get('clock') === 'test';
  const testSpeed = Number(params.get('speed') || '1');
  const autostart = params.has('autostart');
  const muteParam = params.has('mute');
  // Touch screens without a mouse get words and controls for fingers.
  const touch = matchMedia('(pointer: coarse)').matches && !matchMedia('(any-pointer: fine)').matches;

  const stage = document.getElementById('stage');
  const canvas = document.getElementById('screen');
  const context2d = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
  const message = document.getElementById('message');
  const words = document.getElementById('words');
  const pauseButton = document.getElementById('pause');
  const fullscreenButton = document.getElementById('fullscreen');
  const muteButton = document.getElementById('mute');
  const volumeSlider = document.getElementById('volume');
  const againButton = document.getElementById('again');
  const warning = document.getElementById('warning');
  const note = document.getElementById('note');
  const hint = document.getElementById('hint');

  const state = {
    wasm: null,          // the module's exports
    cues: [],            // [sample, code], in playing order
    nextCue: 0,
    music: null,         // music.json: the files, their length, the cues
    firstMusic: null,    // the first file, decoded
    audio: null,         // the AudioContext
    gain: null,          // every piece of the music goes through it (the fade at the end)
    volume: null,        // then through this one: the volume slider and mute
    silent: testClock || muteParam,  // the show runs on the page's own clock
    run: 0,              // counts the plays (Watch again), so that an old play's music feed stops
    startedAt: 0,        // audio context time (or performance time, test clock) of sample 0
    running: false,
    paused: false,
    ended: false,
    pausedClock: 0,
    failed: false,
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
    notes: [],           // every note shown, in order
    keys: 0,             // keys handed to the show
    longestStepMs: 0,    // the most show time between two frames
  };

  // ---- Messages: never a blank canvas without a word.
  function say(text, kind) {
    // A fault stays on the page: later progress must not cover it.
    if (state.failed && kind !== 'error') return;
    words.textContent = text;
    message.className = kind || '';
    message.hidden = false;
    // The photosensitivity warning stands beside the first start prompt.
    warning.hidden = !(kind === 'start' && !state.running && !state.ended);
    document.body.classList.toggle('waiting', kind === 'start');
  }
  function hideMessage() {
    message.hidden = true;
    warning.hidden = true;
    document.body.classList.remove('waiting');
  }
  // A small note in the corner that goes away by itself; the show goes on under it.
  let noteTimer = 0;
  function notice(text) {
    note.textContent = text;
    note.hidden = false;
    clearTimeout(noteTimer);
    noteTimer = setTimeout(() => { note.hidden = true; }, NOTE_MS);
    test.notes.push(text);
  }
  function fail(text) {
    state.failed = true;
    test.lastError = text;
    say(text, 'error');
  }

  // ---- Scaling: the picture by whole device pixels, as large as the window holds, black around;
  // smoothly, its shape kept, where the window is smaller than the picture.
  function layout() {
    const ratio = window.devicePixelRatio || 1;
    const fits = Math.min((window.innerWidth * ratio) / WIDTH, (window.innerHeight * ratio) / FRAME_HEIGHT);
    const scale = fits >= 1 ? Math.floor(fits) : fits;
    canvas.style.width = `${(WIDTH * scale) / ratio}px`;
    canvas.style.height = `${(FRAME_HEIGHT * scale) / ratio}px`;
    canvas.classList.toggle('smooth', fits < 1);
  }
  window.addEventListener('resize', layout);
  layout();
  context2d.fillStyle = '#000';
  context2d.fillRect(0, 0, WIDTH, FRAME_HEIGHT);

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
  const imports = {
    zod: {
      fatal: (caption, what) => fail(`${text(caption)}\n${text(what)}`),
      message: (what) => console.warn(`zod: ${text(what)}`),
      labFrame: (index, entry, quit, frame) => { if (labSink) labSink(index, entry, quit, frame); },
    },
    wasi_snapshot_preview1: zodWasi(() => state.wasm.memory),
  };

  // ---- Loading, with a progress line.
  const progress = { files: 0, done: 0, bytes: 0 };
  function showProgress() {
    // Music fetched once the page is ready (before the start, or while the show plays) is not news.
    if (test.loadedMs !== null) return;
    say(`Loading ${progress.done} of ${progress.files} files, ${(progress.bytes / 1048576).toFixed(1)} MB`);
  }
  // A packed file is stored gzip-compressed under its name plus ".gz".
  async function fetchBytes(name, packed = false, watch = null) {
    const url = packed ? `${name}.gz` : name;
    let response;
    try {
      response = await fetch(VERSION ? `${url}?v=${VERSION}` : url);
    } catch (error) {
      throw new Error(`Cannot fetch ${name} from the server (${error.message}).`);
    }
    if (!response.ok) throw new Error(`The file ${url} is missing on the server (HTTP ${response.status}).`);
    if (watch) watch.total = Number(response.headers.get('Content-Length')) || 0;
    const reader = response.body.getReader();
    const chunks = [];
    let length = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      length += value.length;
      progress.bytes += value.length;
      if (watch) watch.received += value.length;
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
    if (location.protocol === 'file:') {
      fail('This page must be served by a web server, not opened as a file: run ./run-web, or serve ' +
        'its folder with any static web server (such as python3 -m http.server).');
      return;
    }
    if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
      fail('This browser cannot run WebAssembly, which the show needs.');
      return;
    }
    const AudioContextClass = window.AudioContext || window.webkitAudioContext;
    if (typeof DecompressionStream !== 'function') {
      fail('This browser is too old for the show: it cannot unpack the pictures (no DecompressionStream).');
      return;
    }
    if (!state.silent && !AudioContextClass) {
      goSilent('This browser has no Web Audio: the show runs without its music.');
    } else if (!state.silent && document.createElement('audio').canPlayType('audio/ogg; codecs=opus') === '') {
      goSilent('This browser cannot play Ogg Opus: the show runs without its music.');
    }
    const names = ['zod.wasm', 'music.json'];
    progress.files = names.length + 1;
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
    if (!state.silent) {
      try {
        state.audio = new AudioContextClass({ sampleRate: SAMPLE_RATE, latencyHint: 'playback' });
        state.volume = state.audio.createGain();
        state.volume.connect(state.audio.destination);
        applyVolume();
      } catch (error) {
        fail(`The browser's sound cannot be used: ${error.message}`);
        return;
      }
      feeding.run = 1;
      feedMusic(feeding.run, 0);
      await musicReady();
    }
    test.loadedMs = performance.now();
    if (autostart) {
      start();
    } else {
      say(touch ? 'Tap to start the show.' : 'Click or press a key to start the show.', 'start');
    }
  }

  // From here on the show runs on the page's own clock, without music.
  function goSilent(why) {
    state.silent = true;
    if (state.audio) state.audio.close().catch(() => {});
    state.audio = null;
    state.firstMusic = null;
    notice(why);
  }

  // ---- The music, a piece at a time. Each piece is fetched and decoded ahead of its time, by as
  // much as the measured rate of the network asks for, and scheduled on the audio clock at its exact
  // first sample. A piece that fails is tried again after 0.5 s, 1 s, 2 s ... (8 s apart at most)
  // for as long as any of it can still be heard, while the pieces after it are fetched as usual. The
  // picture never waits for the music: a piece still missing when due is silence, with a note.
  const RETRY_FIRST_MS = 500;
  const RETRY_MOST_MS = 8000;
  const READ_AHEAD_S = 20;
  const feeding = {
    run: 0,              // counts the feeds; Watch again starts a new one
    held: new Map(),     // pieces decoded before the show started: index -> AudioBuffer
    watches: new Map(),  // pieces being fetched: index -> {received, total} bytes
    failures: new Map(), // index -> failed attempts
    waiting: new Set(),  // pieces that failed and have not arrived since
    noted: new Set(),    // pieces whose absence a note has told
    bytesPerSecond: 0,   // the network's rate, measured on the latest piece
    musicBytes: 0,       // bytes of Ogg Opus per second of music, from the first piece
  };
  const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
  const pieceStart = (index) => state.music.files[index].first / SAMPLE_RATE;
  const pieceEnd = (index) =>
    (index + 1 < state.music.files.length ? state.music.files[index + 1].first : state.music.samples) / SAMPLE_RATE;
  // Seconds the network takes for the bytes of piece `index` not yet received, at the measured rate.
  function fetchSeconds(index, received = 0) {
    if (!feeding.bytesPerSecond || !feeding.musicBytes) return 0;
    const bytes = (pieceEnd(index) - pieceStart(index)) * feeding.musicBytes - received;
    return Math.max(0, bytes) / feeding.bytesPerSecond;
  }
  // How far ahead of the music a piece is fetched: 20 s, more where the network is slow.
  const readAhead = (index) => Math.max(READ_AHEAD_S, 2 * fetchSeconds(index) + 2);
  const position = () => (state.running ? musicSeconds() : 0);

  class Undecodable extends Error {}
  async function fetchMusic(index, watch) {
    const { name } = state.music.files[index];
    const began = performance.now();
    if (test.loadedMs === null) progress.files++;
    const encoded = await fetchBytes(name, false, watch);
    feeding.bytesPerSecond = encoded.length / Math.max(0.001, (performance.now() - began) / 1000);
    if (index === 0) feeding.musicBytes = encoded.length / pieceEnd(0);
    try {
      return await state.audio.decodeAudioData(encoded.buffer);
    } catch (error) {
      throw new Undecodable(`The music (${name}) cannot be decoded in this browser: ${error.message || error}`);
    }
  }
  // Plays piece `index` from its first sample's moment on the audio clock, or from the right place
  // inside it should it come late.
  function scheduleMusic(index, buffer) {
    const source = state.audio.createBufferSource();
    source.buffer = buffer;
    source.connect(state.gain);
    source.onended = () => source.disconnect();
    const when = state.startedAt + pieceStart(index);
    const now = state.audio.currentTime;
    const late = Math.max(0, now - when);
    if (late < buffer.duration) source.start(when + late, late);
    test.events.push({ kind: 'music', index, atMs: Math.round((when - state.startedAt) * 1000), lateMs: late * 1000 });
  }
  // Fetches piece `index` until it arrives or can no longer be heard; resolves after the first
  // attempt, so that the feed goes on to the next piece while this one is tried again.
  function loadPiece(index, run) {
    const wanted = () => feeding.run === run && !state.silent && !state.ended && position() < pieceEnd(index);
    return new Promise((attempted) => {
      (async () => {
        for (let wait = RETRY_FIRST_MS; ; wait = Math.min(2 * wait, RETRY_MOST_MS)) {
          const watch = { received: 0, total: 0 };
          feeding.watches.set(index, watch);
          let buffer = null;
          let error = null;
          try {
            buffer = await fetchMusic(index, watch);
          } catch (caught) {
            error = caught;
          }
          feeding.watches.delete(index);
          if (buffer) {
            feeding.waiting.delete(index);
            if (index === 0) state.firstMusic = buffer;
            if (wanted()) {
              if (state.running) scheduleMusic(index, buffer);
              else feeding.held.set(index, buffer);
            }
            attempted();
            return;
          }
          feeding.failures.set(index, (feeding.failures.get(index) || 0) + 1);
          feeding.waiting.add(index);
          console.warn(`zod: ${error.message}`);
          attempted();
          // The first piece that will not decode means a browser without Ogg Opus.
          if (error instanceof Undecodable && index === 0) {
            goSilent('This browser cannot play Ogg Opus: the show runs without its music.');
          }
          if (error instanceof Undecodable) return;
          await sleep(wait);
          if (!wanted()) return;
        }
      })();
    });
  }
  // Fetches the pieces from `from` on, each when the music comes within its read-ahead.
  async function feedMusic(run, from) {
    const current = () => feeding.run === run && !state.silent && !state.ended;
    for (let index = from; index < state.music.files.length && current(); index++) {
      while (current() && position() < pieceStart(index) - readAhead(index)) await sleep(250);
      if (!current()) return;
      await loadPiece(index, run);
    }
  }
  // Before the start: the first piece in (or failed three times), and the second in, failed, or
  // coming in time at the measured rate should the show start now.
  async function musicReady() {
    for (;;) {
      if (state.silent) return;
      const first = feeding.held.has(0) || (feeding.failures.get(0) || 0) >= 3;
      const watch = feeding.watches.get(1);
      const second = state.music.files.length < 2 || feeding.held.has(1) || feeding.failures.has(1) ||
        (watch && watch.received > 0 && fetchSeconds(1, watch.received) + 2 < pieceStart(1));
      if (first && second) return;
      await sleep(100);
    }
  }
  // Called each frame: a note for a piece missing at its time.
  function noteMissingMusic(seconds) {
    for (const index of feeding.waiting) {
      if (seconds >= pieceStart(index) && !feeding.noted.has(index)) {
        feeding.noted.add(index);
        notice(`A piece of the music (${state.music.files[index].name}) has not arrived: the show goes on, and ` +
          'the music comes back with the next piece that does.');
      }
    }
  }

  // ---- The show's clock: the music's position, in samples.
  function musicSeconds() {
    if (state.silent) {
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

  // Resumes the audio context within the time limit: 'running', 'held' (the browser answered but
  // keeps it suspended until a gesture) or 'late' (no answer: no working sound output).
  async function audioStarts() {
    let answered = false;
    const resumed = state.audio.resume().then(() => { answered = true; }, () => { answered = true; });
    await Promise.race([resumed, new Promise((done) => setTimeout(done, AUDIO_START_LIMIT_MS))]);
    if (state.audio.state === 'running') return 'running';
    return answered ? 'held' : 'late';
  }

  let starting = false;
  let heldBack = false;
  async function start() {
    if (state.running || state.failed || !state.wasm || starting) return;
    starting = true;
    say('Starting...');
    const sound = state.silent ? 'none' : await audioStarts();
    starting = false;
    if (sound === 'held' && !heldBack) {
      // Started without a gesture (?autostart): the next click or key brings one.
      heldBack = true;
      say('The browser holds the sound back until you click: click or press a key to start.', 'start');
      return;
    }
    if (sound === 'held') goSilent('The browser holds the sound back: the show runs without it.');
    if (sound === 'late') {
      goSilent(`The sound did not start within ${AUDIO_START_LIMIT_MS / 1000} s: the show runs without it.`);
    }
    play();
  }

  // Plays the show from its beginning (also for Watch again).
  function play() {
    if (!state.wasm.zod_start()) return;  // the module has reported why
    state.run++;
    state.nextCue = 0;
    state.lastSample = 0;
    state.ended = false;
    if (!state.silent) {
      state.gain = state.audio.createGain();
      state.gain.connect(state.volume);
      // On a whole sample, so that every piece starts exactly where the one before ends.
      state.startedAt = Math.ceil((state.audio.currentTime + 0.1) * SAMPLE_RATE) / SAMPLE_RATE;
      if (state.run > 1) {
        // Watch again: the first piece is kept; the others are fetched anew as the music nears them.
        feeding.run++;
        feeding.held.clear();
        feeding.noted.clear();
        if (state.firstMusic) feeding.held.set(0, state.firstMusic);
        feedMusic(feeding.run, state.firstMusic ? 1 : 0);
      }
      for (const [index, buffer] of feeding.held) scheduleMusic(index, buffer);
      feeding.held.clear();
    } else {
      state.startedAt = performance.now();
    }
    state.running = true;
    pauseButton.disabled = false;
    againButton.hidden = true;
    document.body.classList.add('playing');
    hideMessage();
    requestAnimationFrame(frame);
  }

  function present() {
    const pointer = state.wasm.zod_rgba() + FRAME_TOP * WIDTH * 4;
    const pixels = new Uint8ClampedArray(state.wasm.memory.buffer, pointer, WIDTH * FRAME_HEIGHT * 4);
    context2d.putImageData(new ImageData(pixels, WIDTH, FRAME_HEIGHT), 0, 0);
  }

  function frame() {
    if (!state.running || state.ended) return;
    if (!state.paused) {
      // Never backwards: the output timestamp can step back a little between frames, and the
      // show's clock would read a smaller count as the counter wrapping round.
      const sample = Math.max(state.lastSample, Math.floor(musicSeconds() * SAMPLE_RATE));
      state.lastSample = sample;
      const timeMs = Math.floor((sample * 1000) / SAMPLE_RATE);
      if (!state.silent) noteMissingMusic(sample / SAMPLE_RATE);
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
      if (test.lastFrameMs !== null) test.longestStepMs = Math.max(test.longestStepMs, timeMs - test.lastFrameMs);
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
    document.body.classList.remove('playing');
    if (state.gain) state.gain.gain.setTargetAtTime(0, state.audio.currentTime, 0.3);
    // The end picture stays on the screen, with the way to play it again.
    state.running = false;
    againButton.hidden = false;
    againButton.focus();
  }

  async function togglePause() {
    if (!state.running || state.ended) return;
    state.paused = !state.paused;
    pauseButton.textContent = state.paused ? 'Play' : 'Pause';
    document.body.classList.toggle('playing', !state.paused);
    if (state.silent) {
      if (state.paused) state.pausedClock = performance.now();
      else state.startedAt += performance.now() - state.pausedClock;
    } else if (state.paused) {
      await state.audio.suspend();
    } else {
      await state.audio.resume();
    }
    if (state.paused) say(touch ? 'Paused: tap to go on.' : 'Paused: Space or a click goes on.', 'start');
    else hideMessage();
  }

  // ---- Volume and mute, remembered for the next visit (where the browser keeps local storage).
  const stored = (() => {
    try {
      return window.localStorage;
    } catch {
      return null;
    }
  })();
  const sound = {
    volume: Math.min(1, Math.max(0, Number((stored && stored.getItem('zod.volume')) ?? 1) || 0)),
    muted: (stored && stored.getItem('zod.muted')) === '1',
  };
  function applyVolume() {
    volumeSlider.value = String(Math.round(sound.volume * 100));
    muteButton.setAttribute('aria-pressed', String(sound.muted));
    muteButton.textContent = sound.muted ? 'Unmute' : 'Mute';
    // The ear hears loudness roughly as the square of the slider's travel.
    if (state.volume) state.volume.gain.value = sound.muted ? 0 : sound.volume * sound.volume;
    try {
      if (stored) {
        stored.setItem('zod.volume', String(sound.volume));
        stored.setItem('zod.muted', sound.muted ? '1' : '0');
      }
    } catch { /* a full or refused store only forgets */ }
  }
  function toggleMute() {
    sound.muted = !sound.muted;
    applyVolume();
  }
  volumeSlider.addEventListener('input', () => {
    sound.volume = Number(volumeSlider.value) / 100;
    sound.muted = false;
    applyVolume();
  });
  muteButton.addEventListener('click', toggleMute);
  applyVolume();

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen();
    } else if (document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(() => {});
    }
  }

  // ---- Keys, clicks and taps. Only the show's own keys act, once per press; modifiers, Tab (which
  // moves between the controls), function keys and browser shortcuts are left to the browser.
  // Escape is the browser's own: it leaves full screen.
  function cueKey(key) { return key.length === 1 || key === 'Enter'; }
  window.addEventListener('keydown', (event) => {
    const { key } = event;
    if (event.repeat || event.ctrlKey || event.altKey || event.metaKey) return;
    if (key === 'F11') { event.preventDefault(); toggleFullscreen(); return; }
    // A focused control takes the keys that work it.
    if ((event.target instanceof HTMLButtonElement && (key === 'Enter' || key === ' ')) ||
        (event.target instanceof HTMLInputElement && /^(Arrow|Page|Home|End)/.test(key))) {
      return;
    }
    if (key === 'm' || key === 'M') { toggleMute(); return; }
    if (state.ended) return;
    const pauseKey = key === ' ' || key === 'Pause' || key === 'p' || key === 'P';
    if (!pauseKey && !cueKey(key)) return;
    event.preventDefault();
    if (!state.running) start();
    else if (pauseKey) togglePause();
    else if (!state.paused) {
      state.wasm.zod_key();
      test.keys++;
    }
  });
  // A click or tap anywhere on the picture's stage starts the show, goes on after a pause, or
  // shows the controls for a while; a double click switches full screen.
  let awakeTimer = 0;
  function wakeControls() {
    document.body.classList.add('awake');
    clearTimeout(awakeTimer);
    awakeTimer = setTimeout(() => document.body.classList.remove('awake'), CONTROLS_AWAKE_MS);
  }
  stage.addEventListener('click', () => {
    if (!state.running && !state.ended) start();
    else if (state.paused) togglePause();
    else wakeControls();
  });
  stage.addEventListener('dblclick', () => {
    if (fullscreenButton.dataset.offered) toggleFullscreen();
  });
  document.addEventListener('mousemove', wakeControls);
  againButton.addEventListener('click', () => {
    againButton.hidden = true;
    play();
  });
  pauseButton.addEventListener('click', togglePause);
  fullscreenButton.addEventListener('click', toggleFullscreen);
  document.addEventListener('fullscreenchange', layout);
  // Words and controls for the device: the full-screen button only where the browser offers full
  // screen, the keys named only where there is a keyboard to press them.
  if (document.fullscreenEnabled && document.documentElement.requestFullscreen) {
    fullscreenButton.hidden = false;
    fullscreenButton.dataset.offered = '1';
    if (!touch) fullscreenButton.textContent = 'Full screen (F11)';
  }
  document.body.classList.toggle('touch', touch);
  hint.textContent = 'Space pauses, M mutes, other letter keys repeat the music\'s latest cue' +
    (fullscreenButton.dataset.offered ? '; double-click: full screen.' : '.');

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
    const rgba = context2d.getImageData(0, 0, WIDTH, FRAME_HEIGHT).data;
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
