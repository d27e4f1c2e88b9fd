// The study page's tracker view: the pattern the music is playing, row by row as a tracker shows it
// (note, instrument, volume column, effect per channel), the playing row highlighted and kept in the
// middle of its own box, and the cue channel's Zxx lit on the row where its cue fires.
//
//   const view = await ZodTracker.mount(element, 'tracker.json.gz?v=VERSION');
//   view.follow(sample);   // every animation frame; sample: the music's position at 48000 Hz
//   view.rowAt(sample);    // {order, pattern, row, cueCode (or null), firstSample}
//
// tracker.json.gz is written by the build (zod-web-assets tracker) from the module itself: the cells
// as the show's XM scanner reads them and every played row's first sample, learnt as the cue table
// is, so a cue's sample is exactly the first sample of the row holding its Zxx.
'use strict';

window.ZodTracker = (() => {
  const NOTE_NAMES = ['C-', 'C#', 'D-', 'D#', 'E-', 'F-', 'F#', 'G-', 'G#', 'A-', 'A#', 'B-'];
  const KEY_OFF = 97;
  const EFFECT_DIGITS = '0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ';
  const EFFECT_Z = 35;
  // The volume column's commands 0x60..0xFF: slides, fine slides, vibrato, panning, portamento.
  const VOLUME_COMMANDS = '-+DUSVPLRM';
  const EMPTY_CELL = [0, 0, 0, 0, 0];
  const CELL_WIDTH = 13;  // "C-4 01 40 A0F"
  const SEPARATOR = '  ';

  const hex2 = (value) => value.toString(16).toUpperCase().padStart(2, '0');

  function noteText(note) {
    if (note === 0) return '...';
    if (note === KEY_OFF) return '===';
    if (note > KEY_OFF) return '???';
    return NOTE_NAMES[(note - 1) % 12] + Math.floor((note - 1) / 12);
  }
  function volumeText(volume) {
    if (volume >= 0x10 && volume <= 0x50) return hex2(volume - 0x10);
    if (volume >= 0x60) return VOLUME_COMMANDS[(volume >> 4) - 6] + EFFECT_DIGITS[volume & 15];
    return '..';  // empty, or a byte players ignore
  }
  function effectText(effect, param) {
    if (effect === 0 && param === 0) return '...';
    return (EFFECT_DIGITS[effect] || '?') + hex2(param);
  }

  // One row of the file: per channel "." for an empty cell, else ten hex digits (note, instrument,
  // volume, effect, parameter).
  function parseRow(text, channels) {
    const cells = [];
    let at = 0;
    for (let channel = 0; channel < channels; ++channel) {
      if (at >= text.length || text[at] === '.') {
        cells.push(EMPTY_CELL);
        at += 1;
        continue;
      }
      const cell = [];
      for (let field = 0; field < 5; ++field) cell.push(parseInt(text.substr(at + 2 * field, 2), 16));
      cells.push(cell);
      at += 10;
    }
    return cells;
  }

  async function load(url) {
    const response = await fetch(url);
    if (!response.ok) throw new Error(`The file ${url} is missing on the server (HTTP ${response.status}).`);
    let bytes = new Uint8Array(await response.arrayBuffer());
    // A server that announces .gz files as gzip-encoded has the browser unpack them already.
    if (bytes[0] === 0x1f && bytes[1] === 0x8b) {
      const unpacked = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
      bytes = new Uint8Array(await new Response(unpacked).arrayBuffer());
    }
    return JSON.parse(new TextDecoder().decode(bytes));
  }

  function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  }

  function makeView(container, data) {
    const channels = data.channels;
    const cueChannel = data.cueChannel;
    // The cue channel comes first, beside the row numbers, where a narrow box still shows it.
    const shownChannels = [...Array(channels).keys()].filter((c) => c !== cueChannel);
    if (cueChannel >= 0 && cueChannel < channels) shownChannels.unshift(cueChannel);
    // Every played row, in playing order: its order index, its row and its first sample.
    const count = data.played.length / 3;
    const starts = new Float64Array(count);
    const orderOf = new Uint16Array(count);
    const rowOf = new Uint16Array(count);
    let sum = 0;
    for (let i = 0; i < count; ++i) {
      orderOf[i] = data.played[3 * i];
      rowOf[i] = data.played[3 * i + 1];
      sum += data.played[3 * i + 2];
      starts[i] = sum;
    }
    // A pattern's rows are unpacked when it is shown (or asked about), not kept: all of them would
    // take megabytes.
    const rowsOf = (pattern) => data.patterns[pattern] || [];

    const root = element('div', 'zod-tracker');
    const where = element('div', 'zod-tracker-where', '\u00a0');
    const box = element('div', 'zod-tracker-box');
    // Each line is text with at most one element in it (the cue channel's cell): a pattern is a few
    // hundred nodes, so building and laying it out takes a fraction of a frame.
    const head = element('div', 'zod-tracker-head');
    const headParts = ['row'];
    for (const channel of shownChannels) {
      const name = `${channel + 1}${channel === cueChannel ? ' cues' : ''}`.padEnd(CELL_WIDTH);
      headParts.push(channel === cueChannel ? `<span class="cue-channel">${name}</span>` : name);
    }
    head.innerHTML = headParts.join(SEPARATOR);
    const body = element('div', 'zod-tracker-rows');
    box.append(head, body);
    root.append(where, box);
    container.append(root);

    let shownPattern = -1;
    let shownOrder = -1;
    let rowElements = [];
    let playing = null;
    let lit = null;
    let shownIndex = -1;
    let rowHeight = 0;
    let rowsShown = 0;

    function buildPattern(pattern) {
      const html = [];
      rowsOf(pattern).forEach((text, row) => {
        const cells = parseRow(text, channels);
        const parts = [String(row).padStart(3, '0')];
        for (const channel of shownChannels) {
          const [note, instrument, volume, effect, param] = cells[channel];
          const fields = `${noteText(note)} ${instrument ? hex2(instrument) : '..'} ${volumeText(volume)} `;
          if (channel !== cueChannel) {
            parts.push(fields + effectText(effect, param));
          } else if (effect === EFFECT_Z) {
            const cue = `<span class="cue">${effectText(effect, param)}</span>`;
            parts.push(`<span class="cue-channel">${fields}${cue}</span>`);
          } else {
            parts.push(`<span class="cue-channel">${fields}${effectText(effect, param)}</span>`);
          }
        }
        // Every 4th and 16th row set off, as trackers do by default.
        html.push(`<div class="zod-tracker-row${row % 16 === 0 ? ' bar' : row % 4 === 0 ? ' beat' : ''}">` +
          `${parts.join(SEPARATOR)}</div>`);
      });
      body.innerHTML = html.join('');
      rowElements = body.children;
      shownPattern = pattern;
      playing = null;
      lit = null;
    }

    // The index of the played row sounding at `sample`: the last one starting at or before it.
    function indexAt(sample) {
      // Most frames fall in the row already shown.
      const next = shownIndex + 1;
      const inShown = shownIndex >= 0 && starts[shownIndex] <= sample && (next >= count || sample < starts[next]);
      if (inShown) return shownIndex;
      let low = 0;
      let high = count - 1;
      while (low < high) {
        const middle = (low + high + 1) >> 1;
        if (starts[middle] <= sample) low = middle;
        else high = middle - 1;
      }
      return low;
    }

    function cueCodeOf(pattern, row) {
      if (cueChannel < 0) return null;
      const text = rowsOf(pattern)[row];
      const cell = text === undefined ? EMPTY_CELL : parseRow(text, channels)[cueChannel];
      return cell[3] === EFFECT_Z ? cell[4] : null;
    }

    function rowAt(sample) {
      const index = indexAt(sample);
      const order = orderOf[index];
      const pattern = data.orders[order];
      return { order, pattern, row: rowOf[index], cueCode: cueCodeOf(pattern, rowOf[index]),
        firstSample: starts[index] };
    }

    function follow(sample) {
      if (count === 0) return;
      const index = indexAt(sample);
      if (index === shownIndex) return;
      shownIndex = index;
      const order = orderOf[index];
      const pattern = data.orders[order];
      const row = rowOf[index];
      if (pattern !== shownPattern) buildPattern(pattern);
      // Measured once, when the box is first shown; the rows have a fixed height.
      if (rowsShown === 0 && rowElements.length > 0) {
        rowHeight = rowElements[0].offsetHeight;
        rowsShown = rowHeight > 0 ? Math.floor((box.clientHeight - head.offsetHeight) / rowHeight) : 0;
      }
      // Scrolls the box alone (never the page), whole rows under the header, the row in the middle.
      box.scrollTop = Math.max(0, (row - (rowsShown >> 1)) * rowHeight);
      if (playing) playing.classList.remove('playing');
      if (lit) lit.classList.remove('lit');
      playing = rowElements[row] || null;
      lit = null;
      if (playing) {
        playing.classList.add('playing');
        lit = playing.querySelector('.cue');
        if (lit) lit.classList.add('lit');
      }
      // The row number shows in the highlighted row; the line above changes only with the order.
      if (order !== shownOrder) {
        shownOrder = order;
        where.textContent = `order ${order} of ${data.orders.length}, pattern ${pattern}`;
      }
    }

    return { follow, rowAt, element: root };
  }

  return {
    async mount(container, url) {
      return makeView(container, await load(url));
    },
  };
})();
