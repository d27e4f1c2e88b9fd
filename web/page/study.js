// The study page: the show held on the 60 fps grid, any frame of it reached exactly (the bytes
// `zod still` writes for that moment), with what the scene itself reports about the frame drawn
// over it, the timeline under it, the music's patterns and a word on how each effect works.
//
// zod.wasm draws frame n as a run from the start on the grid draws it (zod_studyShow: a frame
// ahead of the one shown is reached by running on, any other by a fresh show run unseen up to it),
// with the module's cues at the show's own sample rate (music.json's showCues). Frame n starts at
// the music's sample n x 800 at 48000 Hz, so playing on is the music from that sample, and the
// frame shown is the one the music has reached.
//
// Address: #t=M:SS.mmm opens held at the frame on screen at that moment, and follows the frame
// shown. ?mute plays on without sound, on the page's own clock.
// window.zodStudy exposes the frame, its report and the timings to the browser tests.
'use strict';

(() => {
  const SAMPLE_RATE = 48000;
  const SAMPLES_PER_FRAME = SAMPLE_RATE / 60;
  const WIDTH = 512;
  const FRAME_TOP = 52;
  const FRAME_HEIGHT = 280;
  // The overlay canvas has this many of its pixels per picture pixel, so lines stay thin.
  const OVERLAY_SCALE = 2;
  // As the desktop's overlays: lattice yellow, rays cyan, axes magenta, paths green, pictures orange.
  const LAYER_COLOURS = ['#ffff40', '#40ffff', '#ff40ff', '#40ff40', '#ffa040'];
  const AUDIO_START_LIMIT_MS = 4000;
  // Music pieces fetched this far ahead of the playing position, and decoded pieces kept.
  const READ_AHEAD_S = 15;
  const PIECES_KEPT = 4;

  const VERSION = new URL(document.currentScript.src).searchParams.get('v');
  const params = new URLSearchParams(location.search);
  const muteParam = params.has('mute');

  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const context2d = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
  const overlay = $('overlay');
  const overlay2d = overlay.getContext('2d');
  const message = $('message');
  const moment = $('moment');
  const layersBox = $('layers');
  const valuesBody = $('values').tBodies[0];
  const timeline = $('timeline');
  const marks = $('marks');
  const head = $('head');
  const scenes = $('scenes');
  const playButton = $('play');
  const note = $('note');

  const state = {
    wasm: null,
    cues: [],            // showCues: [sample at the show's rate, code]
    cueFrames: [],       // the frame each cue is taken in
    entries: [],         // {name, startMs}
    endMs: 0,
    lastFrame: -1,       // the last frame the show draws, found on the first End
    frame: -1,           // the frame shown
    wanted: 0,           // the frame to show next
    report: null,
    layers: [],          // per layer: shown or not
    playing: false,
    effect: '',
    tracker: null,
    howItWorks: null,
  };
  const test = { seeks: [], lastShowMs: 0, lastOverlayMs: 0, lastError: null };

  function say(text, kind) {
    message.textContent = text;
    message.className = kind || '';
    message.hidden = false;
  }
  function fail(text) {
    test.lastError = text;
    say(text, 'error');
  }
  let noteTimer = 0;
  function notice(text) {
    note.textContent = text;
    clearTimeout(noteTimer);
    noteTimer = setTimeout(() => { note.textContent = ''; }, 6000);
  }

  // ---- Times: frame n is drawn at show time floor(n x 1000 / 60) ms; a moment links to the
  // frame on screen then, and the link of frame n names the first millisecond inside it.
  const frameMs = (n) => state.wasm.zod_studyFrameMs(n);
  const frameAt = (ms) => state.wasm.zod_studyFrameAt(ms);
  const linkMs = (n) => Math.ceil((n * 1000) / 60);
  function clock(ms) {
    const minutes = Math.floor(ms / 60000);
    const seconds = ((ms % 60000) / 1000).toFixed(3).padStart(6, '0');
    return `${minutes}:${seconds}`;
  }
  function parseClock(text) {
    const match = /^(?:(\d+):)?(\d+(?:\.\d*)?)$/.exec(text);
    if (!match) return null;
    return Math.round((Number(match[1] || 0) * 60 + Number(match[2])) * 1000);
  }

  // ---- The module: its imports and loading.
  const names = new Map();
  function text(pointer) {
    if (names.has(pointer)) return names.get(pointer);
    const bytes = new Uint8Array(state.wasm.memory.buffer, pointer);
    let end = 0;
    while (bytes[end] !== 0) end++;
    const decoded = new TextDecoder().decode(bytes.slice(0, end));
    names.set(pointer, decoded);
    return decoded;
  }
  function writeScratch(bytes) {
    const pointer = state.wasm.zod_scratch(bytes.length);
    new Uint8Array(state.wasm.memory.buffer, pointer, bytes.length).set(bytes);
    return bytes.length;
  }
  const imports = {
    zod: {
      fatal: (caption, what) => fail(`${text(caption)}\n${text(what)}`),
      message: (what) => console.warn(`zod: ${text(what)}`),
      labFrame: () => {},
    },
    wasi_snapshot_preview1: zodWasi(() => state.wasm.memory),
  };
  const versioned = (name) => (VERSION ? `${name}?v=${VERSION}` : name);
  // A packed file is stored gzip-compressed under its name plus ".gz".
  async function fetchBytes(name, packed = false) {
    const url = packed ? `${name}.gz` : name;
    let response;
    try {
      response = await fetch(versioned(url));
    } catch (error) {
      throw new Error(`Cannot fetch ${name} from the server (${error.message}).`);
    }
    if (!response.ok) throw new Error(`The file ${url} is missing on the server (HTTP ${response.status}).`);
    let bytes = new Uint8Array(await response.arrayBuffer());
    // A server that announces .gz files as gzip-encoded has the browser unpack them already.
    if (packed && bytes[0] === 0x1f && bytes[1] === 0x8b) {
      const unpacked = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
      bytes = new Uint8Array(await new Response(unpacked).arrayBuffer());
    }
    return bytes;
  }

  async function load() {
    if (location.protocol === 'file:') {
      fail('This page must be served by a web server, not opened as a file: run ./run-web.');
      return;
    }
    if (typeof WebAssembly !== 'object' || typeof DecompressionStream !== 'function') {
      fail('This browser cannot run the show: it needs WebAssembly and DecompressionStream.');
      return;
    }
    say('Loading...');
    let module;
    let musicTable;
    let pictures;
    try {
      const list = JSON.parse(new TextDecoder().decode(await fetchBytes('pictures.json')));
      [module, musicTable, pictures] = await Promise.all([
        fetchBytes('zod.wasm'),
        fetchBytes('music.json').then((bytes) => JSON.parse(new TextDecoder().decode(bytes))),
        Promise.all(list.map(async (name) => [name, await fetchBytes(name, true)])),
      ]);
      const { instance } = await WebAssembly.instantiate(module, imports);
      state.wasm = instance.exports;
      state.wasm._initialize();
    } catch (error) {
      fail(error.message);
      return;
    }
    if (!Array.isArray(musicTable.showCues)) {
      fail('music.json has no cue table at the show\'s rate: the page and its files are of different builds.');
      return;
    }
    state.music = musicTable;
    for (const [name, bytes] of pictures) {
      const pointer = state.wasm.zod_reserveAsset(writeScratch(new TextEncoder().encode(name)), bytes.length);
      if (!pointer) { fail(`Not enough memory for ${name}.`); return; }
      new Uint8Array(state.wasm.memory.buffer, pointer, bytes.length).set(bytes);
    }
    state.cues = musicTable.showCues;
    const pairs = new Uint32Array(2 * state.cues.length);
    state.cues.forEach(([sample, code], i) => { pairs[2 * i] = sample; pairs[2 * i + 1] = code; });
    writeScratch(new Uint8Array(pairs.buffer));
    state.wasm.zod_studyBegin(state.cues.length, musicTable.showSamples);
    state.cueFrames = state.cues.map(([sample]) => state.wasm.zod_studyCueFrame(sample));
    for (let i = 0; i < state.wasm.zod_studyEntries(); i++) {
      const pointer = state.wasm.zod_studyEntryName(i);
      const bytes = new Uint8Array(state.wasm.memory.buffer, pointer, state.wasm.zod_studyEntryNameLength(i));
      state.entries.push({ name: new TextDecoder().decode(bytes.slice()), startMs: state.wasm.zod_studyEntryStartMs(i) });
    }
    state.endMs = state.wasm.zod_studyEndMs();
    buildLayers();
    buildScenes();
    drawMarks();
    mountNeighbours();
    message.hidden = true;
    const linked = fromHash();
    state.wanted = linked === null ? 0 : linked;
    render();
    test.ready = true;
  }

  // The tracker view and the how-it-works panels come from scripts of their own; the page works
  // without them.
  function mountNeighbours() {
    try {
      if (window.ZodHowItWorks) state.howItWorks = window.ZodHowItWorks.mount($('howitworks'), VERSION);
    } catch (error) {
      console.warn(`zod: the how-it-works panels cannot start: ${error.message}`);
    }
    if (window.ZodTracker) {
      Promise.resolve()
        .then(() => window.ZodTracker.mount($('tracker'), versioned('tracker.json.gz')))
        .then((view) => {
          state.tracker = view;
          if (state.frame >= 0) follow(state.frame * SAMPLES_PER_FRAME);
        })
        .catch((error) => console.warn(`zod: the tracker view cannot start: ${error.message}`));
    }
  }
  function follow(sample) {
    try {
      if (state.tracker) state.tracker.follow(sample);
    } catch (error) {
      console.warn(`zod: the tracker view: ${error.message}`);
      state.tracker = null;
    }
  }

  // ---- Showing a frame.
  function present() {
    const pointer = state.wasm.zod_rgba() + FRAME_TOP * WIDTH * 4;
    const pixels = new Uint8ClampedArray(state.wasm.memory.buffer, pointer, WIDTH * FRAME_HEIGHT * 4);
    context2d.putImageData(new ImageData(pixels, WIDTH, FRAME_HEIGHT), 0, 0);
  }

  // The report's flat buffer (see WebShow.cpp), read into plain numbers; the geometry stays a view.
  function readReport() {
    const view = new DataView(state.wasm.memory.buffer, state.wasm.zod_studyReport());
    const report = {
      view,
      entry: view.getInt32(0, true),
      timeMs: view.getFloat32(4, true),
      sceneStartMs: view.getFloat32(8, true),
      points: view.getUint32(16, true),
      segments: view.getUint32(20, true),
      rects: view.getUint32(24, true),
      dropped: view.getInt32(28, true),
      pointsAt: view.getUint32(36, true),
      segmentsAt: view.getUint32(40, true),
      rectsAt: view.getUint32(44, true),
      values: [],
    };
    const valuesAt = view.getUint32(32, true);
    for (let i = 0, count = view.getUint32(12, true); i < count; i++) {
      const at = valuesAt + 16 * i;
      report.values.push({ name: text(view.getUint32(at, true)), unit: text(view.getUint32(at + 4, true)),
        value: view.getFloat64(at + 8, true) });
    }
    return report;
  }

  // Shows frame `n` (clamped to the show); false when the show ends before it.
  function show(n) {
    const begin = performance.now();
    const target = Math.max(0, state.lastFrame >= 0 ? Math.min(n, state.lastFrame) : n);
    if (!state.wasm.zod_studyShow(target)) return false;
    present();
    test.lastShowMs = performance.now() - begin;
    state.frame = target;
    state.report = readReport();
    drawOverlay();
    describe();
    return true;
  }

  // The last frame the show draws: the frame of its end, or the one before.
  function findLastFrame() {
    if (state.lastFrame >= 0) return state.lastFrame;
    for (let n = frameAt(state.endMs) + 1; n >= 0; n--) {
      if (state.wasm.zod_studyShow(n)) {
        state.lastFrame = n;
        break;
      }
    }
    return state.lastFrame;
  }

  let renderQueued = false;
  // Shows the wanted frame on the next animation frame: requests made meanwhile add up.
  // `since`: when the asking event happened (performance.now()'s time base).
  function request(n, why, since = performance.now()) {
    state.wanted = n;
    if (why) test.pending = { why, at: since, frame: n };
    if (!renderQueued) {
      renderQueued = true;
      requestAnimationFrame(render);
    }
  }
  function render() {
    renderQueued = false;
    const wanted = Math.max(0, state.wanted);
    if (wanted === state.frame) return;
    if (!show(wanted)) {
      // Past the end: the show's last frame.
      show(findLastFrame());
      state.wanted = state.frame;
    }
    if (test.pending) {
      test.seeks.push({ ...test.pending, shown: state.frame, ms: performance.now() - test.pending.at,
        showMs: test.lastShowMs });
      test.pending = null;
    }
    if (!state.playing) writeHash();
    prepareSoon();
  }

  // While held, the fresh show a step back needs is started in idle time, so that the step itself
  // only runs unseen to its frame.
  let prepareQueued = false;
  function prepareSoon() {
    if (prepareQueued || state.playing || test.noPrepare || state.wasm.zod_studyPrepared()) return;
    prepareQueued = true;
    const idle = window.requestIdleCallback || ((work) => setTimeout(work, 50));
    idle(() => {
      prepareQueued = false;
      if (state.playing || renderQueued) return;
      const begin = performance.now();
      state.wasm.zod_studyPrepare();
      test.prepareMs = performance.now() - begin;
    }, { timeout: 500 });
  }

  // ---- What the frame shows: the moment line, the values, the timeline's head, the neighbours.
  function latestCue(n) {
    let low = 0;
    let high = state.cueFrames.length;
    while (low < high) {
      const middle = (low + high) >> 1;
      if (state.cueFrames[middle] <= n) low = middle + 1;
      else high = middle;
    }
    return low - 1;
  }
  function describe() {
    const report = state.report;
    const entry = state.entries[report.entry];
    const cue = latestCue(state.frame);
    const cueText = cue >= 0 ? `cue ${state.cues[cue][1]} @${clock(frameMs(state.cueFrames[cue]))}` : 'no cue yet';
    moment.textContent = `${clock(report.timeMs)}  frame ${state.frame}\n` +
      `${entry ? `#${report.entry + 1} ${entry.name}` : 'before the first scene'}  ${cueText}`;
    const rows = valuesBody.rows;
    report.values.forEach((value, i) => {
      const row = rows[i] || valuesBody.insertRow();
      if (row.cells.length === 0) {
        row.insertCell();
        row.insertCell().className = 'number';
        row.insertCell();
      }
      row.cells[0].textContent = value.name;
      row.cells[1].textContent = Number.isInteger(value.value) ? String(value.value) : value.value.toFixed(3);
      row.cells[2].textContent = value.unit;
      row.hidden = false;
    });
    for (let i = report.values.length; i < rows.length; i++) rows[i].hidden = true;
    head.style.left = `${(100 * report.timeMs) / state.endMs}%`;
    timeline.setAttribute('aria-valuenow', String(Math.round(report.timeMs)));
    timeline.setAttribute('aria-valuetext', clock(report.timeMs));
    if (scenes.selectedIndex !== Math.max(0, report.entry)) scenes.selectedIndex = Math.max(0, report.entry);
    if (entry && entry.name !== state.effect) {
      state.effect = entry.name;
      try {
        if (state.howItWorks) state.howItWorks.show(entry.name);
      } catch (error) {
        console.warn(`zod: the how-it-works panel: ${error.message}`);
      }
    }
    if (!state.playing) follow(state.frame * SAMPLES_PER_FRAME);
  }

  // ---- The overlays: drawn on their own canvas over the picture, never into it.
  function buildLayers() {
    for (let i = 0; i < state.wasm.zod_studyLayers(); i++) {
      const name = text(state.wasm.zod_studyLayerName(i));
      const label = document.createElement('label');
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.checked = name !== 'pictures';
      box.dataset.layer = name;
      state.layers[i] = box.checked;
      box.addEventListener('change', () => {
        state.layers[i] = box.checked;
        drawOverlay();
      });
      const swatch = document.createElement('span');
      swatch.className = 'swatch';
      swatch.style.background = LAYER_COLOURS[i];
      label.append(box, swatch, name);
      layersBox.append(label);
    }
  }
  // Points are set straight into the pixels (thousands of them on the sphere), the lines drawn on top.
  const overlayPixels = new ImageData(WIDTH * OVERLAY_SCALE, FRAME_HEIGHT * OVERLAY_SCALE);
  const overlayWords = new Uint32Array(overlayPixels.data.buffer);
  const layerWords = LAYER_COLOURS.map((colour) => {
    const value = parseInt(colour.slice(1), 16);
    // R, G, B, A in memory: a little-endian word reads them from the bottom.
    return (0xff000000 | ((value & 0xff) << 16) | (value & 0xff00) | (value >> 16)) >>> 0;
  });
  function drawOverlay() {
    const begin = performance.now();
    const report = state.report;
    if (!report) return;
    const { view } = report;
    const s = OVERLAY_SCALE;
    const width = overlay.width;
    const height = overlay.height;
    overlayWords.fill(0);
    for (let i = 0, at = report.pointsAt; i < report.points; i++, at += 20) {
      const layer = view.getUint32(at + 16, true);
      if (!state.layers[layer]) continue;
      const x = Math.round(view.getFloat32(at, true) * s);
      const y = Math.round(view.getFloat32(at + 4, true) * s);
      if (x < 2 || y < 2 || x >= width - 2 || y >= height - 2) continue;
      const word = layerWords[layer];
      const centre = y * width + x;
      // A small plus, so a lattice reads as points rather than as a texture.
      overlayWords[centre - 2] = overlayWords[centre - 1] = overlayWords[centre] = word;
      overlayWords[centre + 1] = overlayWords[centre + 2] = word;
      overlayWords[centre - 2 * width] = overlayWords[centre - width] = word;
      overlayWords[centre + width] = overlayWords[centre + 2 * width] = word;
    }
    overlay2d.putImageData(overlayPixels, 0, 0);
    overlay2d.lineWidth = 1;
    for (let layer = 0; layer < state.layers.length; layer++) {
      if (!state.layers[layer]) continue;
      overlay2d.strokeStyle = LAYER_COLOURS[layer];
      overlay2d.beginPath();
      for (let i = 0, at = report.segmentsAt; i < report.segments; i++, at += 20) {
        if (view.getUint32(at + 16, true) !== layer) continue;
        overlay2d.moveTo(view.getFloat32(at, true) * s, view.getFloat32(at + 4, true) * s);
        overlay2d.lineTo(view.getFloat32(at + 8, true) * s, view.getFloat32(at + 12, true) * s);
      }
      for (let i = 0, at = report.rectsAt; i < report.rects; i++, at += 20) {
        if (view.getUint32(at + 16, true) !== layer) continue;
        overlay2d.rect(view.getFloat32(at, true) * s + 0.5, view.getFloat32(at + 4, true) * s + 0.5,
          view.getFloat32(at + 8, true) * s, view.getFloat32(at + 12, true) * s);
      }
      overlay2d.stroke();
    }
    test.lastOverlayMs = performance.now() - begin;
  }

  // ---- The timeline: the 39 entries as labelled segments, a mark per cue, the play head.
  function drawMarks() {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(marks.clientWidth * ratio));
    const height = Math.round(48 * ratio);
    marks.width = width;
    marks.height = height;
    const g = marks.getContext('2d');
    const x = (ms) => (ms / state.endMs) * width;
    const band = Math.round(30 * ratio);
    g.font = `${Math.round(11 * ratio)}px sans-serif`;
    g.textBaseline = 'middle';
    state.entries.forEach((entry, i) => {
      const left = x(entry.startMs);
      const right = x(i + 1 < state.entries.length ? state.entries[i + 1].startMs : state.endMs);
      g.fillStyle = i % 2 ? '#2c3440' : '#3a4350';
      g.fillRect(left, 0, right - left, band);
      g.save();
      g.beginPath();
      g.rect(left, 0, right - left - 2, band);
      g.clip();
      g.fillStyle = '#ddd';
      g.fillText(`${i + 1} ${entry.name}`, left + 3 * ratio, band / 2);
      g.restore();
    });
    g.fillStyle = '#fc6';
    for (const n of state.cueFrames) g.fillRect(Math.floor(x(frameMs(n))), band + 3 * ratio, Math.max(1, ratio), 12 * ratio);
  }
  function frameAtPointer(event) {
    const box = marks.getBoundingClientRect();
    const fraction = Math.min(1, Math.max(0, (event.clientX - box.left) / box.width));
    return frameAt(fraction * state.endMs);
  }
  timeline.addEventListener('pointerdown', (event) => {
    if (!state.wasm) return;
    hold();
    timeline.setPointerCapture(event.pointerId);
    request(frameAtPointer(event), 'click', event.timeStamp);
  });
  timeline.addEventListener('pointermove', (event) => {
    if (state.wasm && timeline.hasPointerCapture(event.pointerId)) request(frameAtPointer(event), 'drag');
  });

  function buildScenes() {
    state.entries.forEach((entry, i) => {
      const option = document.createElement('option');
      option.value = String(i);
      option.textContent = `#${i + 1} ${entry.name}  ${clock(Math.round(entry.startMs))}`;
      scenes.append(option);
    });
    scenes.addEventListener('change', () => goToScene(Number(scenes.value)));
  }

  // ---- Moves. A scene's first frame is the first one that draws it: a scene begins a frame or
  // so after its time in the walk, so a few frames are run on until it shows.
  function goToScene(entry) {
    hold();
    const index = Math.max(0, Math.min(state.entries.length - 1, entry));
    let n = Math.ceil((state.entries[index].startMs * 60) / 1000);
    if (!show(n)) return;
    while (state.report.entry < index && n < state.frame + 4 && show(n + 1)) n++;
    state.wanted = state.frame;
    writeHash();
    prepareSoon();
  }
  function sceneStep(forward) {
    const report = state.report;
    if (forward) {
      goToScene(report.entry + 1);
    } else {
      // As the desktop's Page Up: the scene's start, or the one before when less than 2 s into it.
      const into = report.timeMs - state.entries[report.entry].startMs;
      goToScene(into < 2000 ? report.entry - 1 : report.entry);
    }
  }
  const moves = {
    home: () => request(0, 'home'),
    end: () => request(findLastFrame(), 'end'),
    backFrame: () => request(state.wanted - 1, 'step'),
    forwardFrame: () => request(state.wanted + 1, 'step'),
    back1: () => request(state.wanted - 60, 'second'),
    forward1: () => request(state.wanted + 60, 'second'),
    back10: () => request(state.wanted - 600, 'seek'),
    forward10: () => request(state.wanted + 600, 'seek'),
    prevScene: () => sceneStep(false),
    nextScene: () => sceneStep(true),
  };
  function move(name) {
    if (!state.wasm || !state.report) return;
    if (name === 'play') {
      togglePlay();
      return;
    }
    hold();
    moves[name]();
  }
  for (const button of document.querySelectorAll('#transport button[data-act]')) {
    button.addEventListener('click', () => move(button.dataset.act));
  }
  const KEYS = {
    ' ': 'play', ',': 'backFrame', '.': 'forwardFrame', '<': 'back1', '>': 'forward1',
    ArrowLeft: 'back10', ArrowRight: 'forward10', '[': 'prevScene', ']': 'nextScene',
    PageUp: 'prevScene', PageDown: 'nextScene', Home: 'home', End: 'end',
  };
  window.addEventListener('keydown', (event) => {
    if (event.ctrlKey || event.altKey || event.metaKey) return;
    if (event.target instanceof HTMLSelectElement || event.target instanceof HTMLInputElement) return;
    if (event.target instanceof HTMLButtonElement && (event.key === ' ' || event.key === 'Enter')) return;
    let name = KEYS[event.key];
    // Shift with , and . is a second, on any layout.
    if (event.shiftKey && (event.code === 'Comma' || event.code === 'Period')) {
      name = event.code === 'Comma' ? 'back1' : 'forward1';
    }
    if (!name || (event.repeat && name === 'play')) return;
    event.preventDefault();
    move(name);
  });

  // ---- The address: #t= opens at its moment and follows the frame shown, replacing the entry.
  function fromHash() {
    const match = /^#t=(.+)$/.exec(location.hash);
    const ms = match ? parseClock(decodeURIComponent(match[1])) : null;
    return ms === null ? null : frameAt(ms);
  }
  function link() {
    return `${location.origin}${location.pathname}${location.search}#t=${clock(linkMs(state.frame))}`;
  }
  function writeHash() {
    const wanted = `#t=${clock(linkMs(state.frame))}`;
    if (location.hash !== wanted) history.replaceState(null, '', wanted);
  }
  window.addEventListener('hashchange', () => {
    const n = fromHash();
    if (n !== null && state.wasm && n !== state.frame) {
      hold();
      request(n, 'link');
    }
  });
  $('copy').addEventListener('click', async () => {
    const address = link();
    try {
      await navigator.clipboard.writeText(address);
      notice('Link copied.');
    } catch {
      // Without the clipboard, the address bar holds the same link.
      writeHash();
      notice(`The link: ${address}`);
    }
  });

  // ---- Playing on: the music from the frame's first sample, its pieces fetched as it goes, the
  // frame shown the one the music has reached; without sound, on the page's own clock.
  const audio = {
    context: null,
    silent: muteParam,
    run: 0,              // counts the plays, so that an old play's feed stops
    fromSample: 0,       // where the music started, at 48000 Hz
    startedAt: 0,        // the context time (or performance time, silent) it started at
    pieces: new Map(),   // decoded pieces kept: index -> AudioBuffer
    sources: [],
  };
  const pieceOf = (sample) => {
    const files = state.music.files;
    let index = 0;
    while (index + 1 < files.length && files[index + 1].first <= sample) index++;
    return index;
  };
  async function decodedPiece(index) {
    if (audio.pieces.has(index)) return audio.pieces.get(index);
    const bytes = await fetchBytes(state.music.files[index].name);
    const buffer = await audio.context.decodeAudioData(bytes.buffer);
    audio.pieces.set(index, buffer);
    while (audio.pieces.size > PIECES_KEPT) audio.pieces.delete(audio.pieces.keys().next().value);
    return buffer;
  }
  async function soundStarts() {
    if (audio.silent) return false;
    const AudioContextClass = window.AudioContext || window.webkitAudioContext;
    if (!audio.context) {
      if (!AudioContextClass || document.createElement('audio').canPlayType('audio/ogg; codecs=opus') === '') {
        audio.silent = true;
        notice('This browser cannot play the music here: it plays on without it.');
        return false;
      }
      audio.context = new AudioContextClass({ sampleRate: SAMPLE_RATE, latencyHint: 'interactive' });
    }
    const resumed = audio.context.resume().then(() => true, () => false);
    await Promise.race([resumed, new Promise((done) => setTimeout(done, AUDIO_START_LIMIT_MS))]);
    if (audio.context.state === 'running') return true;
    audio.silent = true;
    notice('The sound did not start: the show plays on without it.');
    return false;
  }
  function musicSample() {
    if (audio.silent) return audio.fromSample + ((performance.now() - audio.startedAt) * SAMPLE_RATE) / 1000;
    const context = audio.context;
    const heard = context.currentTime - (context.outputLatency || 0) - (context.baseLatency || 0);
    return audio.fromSample + Math.max(0, heard - audio.startedAt) * SAMPLE_RATE;
  }
  async function feed(run, index) {
    const files = state.music.files;
    for (let i = index; i < files.length && audio.run === run; i++) {
      const first = files[i].first;
      while (audio.run === run && (first - musicSample()) / SAMPLE_RATE > READ_AHEAD_S) {
        await new Promise((done) => setTimeout(done, 250));
      }
      let buffer;
      try {
        buffer = await decodedPiece(i);
      } catch (error) {
        console.warn(`zod: ${error.message}`);
        continue;
      }
      if (audio.run !== run) return;
      const source = audio.context.createBufferSource();
      source.buffer = buffer;
      source.connect(audio.context.destination);
      const offset = Math.max(0, audio.fromSample - first) / SAMPLE_RATE;
      const when = audio.startedAt + Math.max(0, first - audio.fromSample) / SAMPLE_RATE;
      const late = Math.max(0, audio.context.currentTime - when);
      if (offset + late < buffer.duration) source.start(when + late, offset + late);
      audio.sources.push(source);
      source.onended = () => {
        source.disconnect();
        audio.sources = audio.sources.filter((s) => s !== source);
      };
    }
  }
  async function togglePlay() {
    if (state.playing) {
      hold();
      return;
    }
    const run = ++audio.run;
    state.playing = true;
    playButton.textContent = 'Hold';
    audio.fromSample = state.frame * SAMPLES_PER_FRAME;
    if (await soundStarts()) {
      if (audio.run !== run) return;
      // The piece holding the first sample must be in before the music and the picture go on.
      const index = pieceOf(audio.fromSample);
      try {
        await decodedPiece(index);
      } catch (error) {
        console.warn(`zod: ${error.message}`);
      }
      if (audio.run !== run) return;
      audio.startedAt = audio.context.currentTime + 0.05;
      feed(run, index);
    } else {
      audio.startedAt = performance.now();
    }
    requestAnimationFrame(() => playFrame(run));
  }
  function playFrame(run) {
    if (audio.run !== run || !state.playing) return;
    const sample = musicSample();
    const n = Math.floor(sample / SAMPLES_PER_FRAME);
    if (n > state.frame) {
      if (!show(n)) {
        show(findLastFrame());
        hold();
        return;
      }
      state.wanted = state.frame;
    }
    follow(Math.floor(sample));
    requestAnimationFrame(() => playFrame(run));
  }
  // Holds the show at the frame shown; the music stops with it.
  function hold() {
    if (!state.playing) return;
    state.playing = false;
    audio.run++;
    playButton.textContent = 'Play';
    for (const source of audio.sources) {
      try { source.stop(); } catch { /* not started yet */ }
    }
    audio.sources = [];
    state.wanted = state.frame;
    writeHash();
    follow(state.frame * SAMPLES_PER_FRAME);
    prepareSoon();
  }

  // ---- Scaling: the picture by whole device pixels, as large as the window's width and most of
  // its height hold, with the timeline and the buttons under it; the panel goes beside where it fits.
  function layout() {
    const ratio = window.devicePixelRatio || 1;
    const fits = Math.min(((window.innerWidth - 24) * ratio) / WIDTH,
      ((window.innerHeight - 200) * ratio) / FRAME_HEIGHT);
    const scale = fits >= 1 ? Math.floor(fits) : Math.max(fits, 0.25);
    canvas.style.width = `${(WIDTH * scale) / ratio}px`;
    canvas.style.height = `${(FRAME_HEIGHT * scale) / ratio}px`;
    $('left').style.width = canvas.style.width;
    if (state.wasm) drawMarks();
  }
  window.addEventListener('resize', layout);
  overlay.width = WIDTH * OVERLAY_SCALE;
  overlay.height = FRAME_HEIGHT * OVERLAY_SCALE;
  layout();

  // ---- The test hook.
  async function sha256(bytes) {
    const digest = await crypto.subtle.digest('SHA-256', bytes);
    return [...new Uint8Array(digest)].map((b) => b.toString(16).padStart(2, '0')).join('');
  }
  // The picture's R, G, B bytes, from the module's screen or from the canvas.
  function pictureRgb(rgba) {
    const out = new Uint8Array(WIDTH * FRAME_HEIGHT * 3);
    for (let i = 0, j = 0; i < out.length; i += 3, j += 4) {
      out[i] = rgba[j];
      out[i + 1] = rgba[j + 1];
      out[i + 2] = rgba[j + 2];
    }
    return out;
  }
  window.zodStudy = {
    state, test,
    ready: () => test.ready === true,
    show: (n) => { hold(); const shown = show(n); state.wanted = state.frame; writeHash(); return shown; },
    // Starts the fresh show for a step back now rather than when the page is idle.
    prepare: () => state.wasm.zod_studyPrepare(),
    request: (n) => request(n, 'test'),
    move,
    frameAt,
    linkMs,
    clock,
    setLayers(on) {
      for (const box of layersBox.querySelectorAll('input')) {
        box.checked = on;
        box.dispatchEvent(new Event('change'));
      }
    },
    async moduleHash() {
      const pointer = state.wasm.zod_rgba() + FRAME_TOP * WIDTH * 4;
      return sha256(pictureRgb(new Uint8Array(state.wasm.memory.buffer, pointer, WIDTH * FRAME_HEIGHT * 4)));
    },
    async canvasHash() {
      return sha256(pictureRgb(context2d.getImageData(0, 0, WIDTH, FRAME_HEIGHT).data));
    },
    // Milliseconds of `count` frames shown one after another from `from` (a step on each): the module
    // and the canvas, the overlays, and the whole.
    frameTimes(from, count) {
      hold();
      show(from);
      const times = { show: [], overlay: [], whole: [] };
      for (let n = from + 1; n <= from + count; n++) {
        const begin = performance.now();
        show(n);
        times.whole.push(performance.now() - begin);
        times.show.push(test.lastShowMs);
        times.overlay.push(test.lastOverlayMs);
      }
      state.wanted = state.frame;
      // The median, and the 95th percentile: a busy machine takes the processor away now and then.
      const figures = (list) => {
        const sorted = [...list].sort((a, b) => a - b);
        return { median: sorted[sorted.length >> 1], high: sorted[Math.floor(sorted.length * 0.95)] };
      };
      return { show: figures(times.show), overlay: figures(times.overlay), whole: figures(times.whole) };
    },
    overlayInk() {
      const pixels = overlay2d.getImageData(0, 0, overlay.width, overlay.height).data;
      let ink = 0;
      for (let i = 3; i < pixels.length; i += 4) if (pixels[i]) ink++;
      return ink;
    },
  };

  load().catch((error) => fail(`The study page cannot start: ${error.message || error}`));
})();
