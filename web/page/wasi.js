// The little of WASI that zod.wasm's C library links, shared by the player and the study page:
// text the module writes goes to the console a line at a time; there are no files and no
// environment.
'use strict';

// `memory` gives the module's memory once it is instantiated (the imports are made before).
window.zodWasi = (memory) => {
  let consoleLine = '';
  return {
    fd_write: (fd, iovs, count, written) => {
      const view = new DataView(memory().buffer);
      let total = 0;
      for (let i = 0; i < count; i++) {
        const base = view.getUint32(iovs + 8 * i, true);
        const length = view.getUint32(iovs + 8 * i + 4, true);
        consoleLine += new TextDecoder().decode(new Uint8Array(memory().buffer, base, length));
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
      const view = new DataView(memory().buffer);
      view.setUint32(count, 0, true);
      view.setUint32(size, 0, true);
      return 0;
    },
    environ_get: () => 0,
    proc_exit: (code) => { throw new Error(`zod.wasm exited with ${code}`); },
  };
};
