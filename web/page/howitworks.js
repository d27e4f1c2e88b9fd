// The study page's "how it works" panels: for the scene on screen, what its effect computes once per
// frame, per lattice point and per pixel, its key formula, what the music's cues do to it, what the
// study overlays show of it, its pictures (small, from howitworks.json, which the build writes from
// the effects' own start-up) and links to its source files.
//
//   const panel = ZodHowItWorks.mount(containerElement, version);
//   panel.show('tunnel');   // an effect's catalogue name; cheap when it is the one shown
//
// A classic script with no build step, like zod.js; its styles are injected once, below.
(function () {
  'use strict';

  // Where the source links point: the repository's files are named from its top folder
  // (effects/TunnelEffect.cpp), under this base. The page is served without the sources: set it to
  // the address of a browsable copy of the repository to make the links work.
  const SOURCE_BASE = 'source/';

  // The panels, one per effect of the show's catalogue (effects/EffectCatalogue.cpp), by name.
  // Times t are the show time in ms; "steps" are the 1024 steps a turn of the trig tables.
  const PANELS = {
    title: {
      label: 'the title',
      files: ['effects/TitleEffect.cpp', 'render/TitleRow.cpp'],
      summary: 'The title picture turns and zooms about the middle of the frame. Wherever it leaves a pixel ' +
        'at 0 (outside the picture, and its pure black), a pattern of two wave-bent tiles shows, darkened ' +
        'by a moving shade; a tall picture slides up and down and is added over everything.',
      frame: [
        '<code>swingAt</code>: zoom = cos(t/666)/2 + 1, phase = (t &minus; last cue)/366, ' +
          'rs = zoom&middot;sin(phase), rc = zoom&middot;cos(rs): the cosine of the scaled sine, so the ' +
          'picture shears a little as it swings.',
        'Three wave times (t&middot;0.435, t/2, t&middot;0.667) index four 1024-entry wave tables made once ' +
          'at start (<code>fillWaveTables</code>); from them each column gets its shade and its parts of the ' +
          'two tiles\' coordinates (<code>greyOfColumn</code>, <code>rowAOfColumn</code>, ...), and each row ' +
          'its own parts (<code>rowA</code>, <code>columnA</code>, ...).',
        'The slide: &minus;116&middot;sin(t/224) rows.',
      ],
      lattice: 'None: every coordinate is a product or a table entry, so no ray is traced.',
      pixel: [
        '<code>titlePlaneRow</code>: the title texel at the turned coordinates below, where they fall in ' +
          '0..255 (<code>spanInside</code> finds that run of columns once per row instead of testing each pixel).',
        'Where that gives 0: tile A + tile B, each read at its row part + column part, minus the column\'s ' +
          'grey, saturating per byte (<code>titleRow</code>; eight pixels at a time with AVX2).',
        'Then the sliding picture\'s pixel is added, saturating.',
      ],
      formula: 'x, y from the middle (column 256, row 140):<br>' +
        '<code>u = x&middot;rc &minus; y&middot;rs + 127, v = x&middot;rs + y&middot;rc + 127</code><br>' +
        'a rotozoom: one step right moves (rc, rs) in the picture, one step down (&minus;rs, rc).',
      cues: 'Every cue restarts the swing (<code>onSync</code> keeps its time in <code>lastSyncTime</code>): ' +
        'the title snaps upright and swings out again.',
      overlays: '<b>axes</b>: the title\'s turned u and v axes; <b>paths</b>: the outline where the 256 x 256 ' +
        'picture lands; <b>pictures</b>: the sliding picture.',
    },
    sphere: {
      label: 'the sphere',
      files: ['effects/SphereEffect.cpp', 'render/HalfStepRefinement.cpp', 'render/TexelShading.cpp'],
      summary: 'The viewer sits inside a tiled sphere that turns and sways, darker the further the wall; a ' +
        'skyline strip scrolls along the bottom. Rays are traced only at every fourth pixel of every fourth ' +
        'row.',
      frame: [
        'Two turns in steps from the doubled time: a = 255 + 180&middot;cos(...), b = 255 + 180&middot;sin(...); ' +
          'the view = rotX(a) &middot; rotY(b) &middot; rotZ(a).',
        'c = (b, a, 255), the sphere\'s centre lying at &minus;c from the eye, and K = a&sup2; + b&sup2; + ' +
          '255&sup2;, stored as a float (<code>traceSamples</code>).',
        'The strip\'s shift: one pixel every 10 ms.',
      ],
      lattice: '129 x 71 points, every 4th pixel of every 4th row (<code>traceSamples</code>): the ray ' +
        'd = view &middot; (x &minus; 256, y &minus; 192, 25) and the distance &lambda; along it to the wall; ' +
        'u = |2&lambda;&middot;dx|, v = |&lambda;&middot;dz/2|, shade = min(20&lambda;, 255).',
      pixel: [
        '<code>refineInBands</code>: u, v and shade between the lattice points, each the average ' +
          '(a + b) &gt;&gt; 1 of two known neighbours, first along the lattice rows, then down, a band of 4 ' +
          'rows at a time while it is in the cache.',
        '<code>shadeTexels</code>: the tile\'s texel at (u &amp; 255, v &amp; 255) minus the grey of the ' +
          'shade, saturating.',
        'Rows 200..279: the strip, column (shift + x) mod 256, a keyed copy (<code>drawBottomStrip</code>).',
      ],
      formula: 'The positive root of a quadratic: the eye is inside, so every ray hits<br>' +
        '<code>&lambda; = (&radic;(4K&middot;(d&middot;d) + bb&sup2;) &minus; bb) / (2&middot;(d&middot;d)), ' +
        'bb = 2&middot;(c&middot;d)</code>',
      cues: 'None: the picture follows the show time alone.',
      overlays: '<b>lattice</b>: the traced points with the texture coordinates each hit; <b>pictures</b>: ' +
        'the strip\'s band.',
    },
    squaretunnel: {
      label: 'the square tunnel',
      files: ['effects/SquareTunnelEffect.cpp', 'render/LatticeCamera.cpp', 'render/HalfStepRefinement.cpp',
        'render/TexelShading.cpp', 'render/LightRayBlend.cpp'],
      summary: 'A flight down a metal tunnel of square section, drawn into a 332 x 280 picture on the left, ' +
        'then smeared by light rays streaming out of a drifting centre; a picture is laid over the right.',
      frame: [
        'ticks = t/5; the camera rolls ticks/2 steps about z and rocks 90&middot;w and &minus;100&middot;w ' +
          'steps about x and y, w = sin(t/7 steps) (<code>LatticeCamera::turn</code>); the depth travelled ' +
          'is 2&middot;ticks.',
        'The light\'s centre (166 + 165&middot;cos(t/666), 140 + 139&middot;sin(t/466)), and for every column ' +
          'and row its smear offset, |distance to the centre| / 40 in 1/256 pixels, with the bilinear weights ' +
          '(<code>placeLight</code>).',
      ],
      lattice: 'Every 8th pixel of every 8th row (<code>sampleLattice</code>, <code>sampleRay</code>): the ' +
        'turned ray (x, y, z) meets the floor or ceiling when |y| &gt; |x|, else a side wall, at ' +
        'd = &plusmn;350 / (wall + 1); u = |across&middot;d|, v = |2&middot;ticks + 100&middot;d|, ' +
        'shade = |3d|.',
      pixel: [
        'The maps refined from 8 to 1 (<code>refineInBands</code>), then <code>shadeTexels</code>: the metal ' +
          'texel, rows shifted by ticks/4, darkened by the shade (brightened in glow mode).',
        'The light rays (<code>castLightRays</code>): each quadrant is walked outward from the centre and ' +
          'every pixel becomes (15&middot;s + itself)/16, s a bilinear sample a little nearer the centre, ' +
          'mostly smeared already: the streaks. Four bytes at once in 16-bit lanes (<code>smearRow</code>).',
        'The picture on the right is a keyed copy (<code>copyKeyedRun</code>).',
      ],
      formula: 'Ray against the nearer wall pair, half-width 350:<br>' +
        '<code>d = &plusmn;350 / (wall + 1), u = |across&middot;d|, v = |depth + 100&middot;d|</code>',
      cues: 'Every cue switches glow mode on or off: with it on, the shade brightens instead of darkening, ' +
        'so the far end fades to white instead of black.',
      overlays: '<b>lattice</b>: the traced points; <b>rays</b>: the light\'s centre, its quadrants\' ' +
        'borders and the lines to the corners; <b>pictures</b>: the tunnel picture and the one laid over it.',
    },
    tunnel: {
      label: 'the tunnel',
      files: ['effects/TunnelEffect.cpp', 'render/TunnelRow.cpp'],
      summary: 'A texture streams out of five moving vanishing points. Each pixel adds up its distances and ' +
        'its angles to the five centres, read from two tables, so no pixel needs trigonometry; a picture ' +
        'swings on top and jumps on the cues.',
      frame: [
        'Once at start, <code>fillTables</code>: two 1024 x 560 tables around their middle, distance ' +
          '&radic;(dx&sup2; + dy&sup2;) and angle atan2(dx, dy), times 65536.',
        'Every frame, <code>windowOffsets</code>: five 512 x 280 windows into those tables, each moved ' +
          '&plusmn;255&middot;cos or sin across and &plusmn;139&middot;sin or cos down, of t/2, t/3, t/5 or ' +
          't/6 table steps: the five centres.',
        'The picture\'s jump (<code>Jump::advance</code>) and swing, 220 + 31&middot;cos(t/666).',
      ],
      lattice: 'None: the tables are the lattice, worked out once for the whole scene.',
      pixel: [
        '<code>tunnelRow</code>: D = the five distances summed, A = the five angles summed; the texel at ' +
          'column (A/800) &amp; 255, row (D &gt;&gt; 17) &amp; 255, minus the grey of D &gt;&gt; 20, saturating ' +
          '(eight pixels at a time with AVX2).',
        'The picture on top is a keyed copy.',
      ],
      formula: 'The table lookup, n over the five windows:<br>' +
        '<code>u = (&Sigma;<sub>n</sub> angle<sub>n</sub>(x, y) / 800) &amp; 255, ' +
        'v = (&Sigma;<sub>n</sub> distance<sub>n</sub>(x, y) &gt;&gt; 17) &amp; 255</code>',
      cues: 'Every cue makes the picture jump: 15 pixels a frame upward, slowing each frame by 0.06 times ' +
        'the ms since the cue, at most 26 pixels up, then back down to rest.',
      overlays: '<b>rays</b>: the five vanishing centres and the table windows around them; <b>pictures</b>: ' +
        'the picture on top.',
    },
    plane: {
      label: 'the planes',
      files: ['effects/PlaneEffect.cpp', 'render/LatticeCamera.cpp', 'render/HalfStepRefinement.cpp',
        'render/TexelShading.cpp'],
      summary: 'A camera sways between a textured ceiling and floor, both darker towards the horizon, with a ' +
        'logo added over the middle band. Rays are traced at every 8th pixel of every 8th row.',
      frame: [
        'The camera time = t + 1561 ms for every cue so far; turns of 290&middot;cos(time/2340), ' +
          '&minus;300&middot;sin(time/3866) and 563&middot;cos(time/2500) steps about x, y and z ' +
          '(<code>LatticeCamera::turn</code>).',
        'The scroll along z: t/2 texels, on the plain show time.',
      ],
      lattice: 'Every 8th pixel of every 8th row (<code>sampleLattice</code>, <code>sampleRay</code>): the ray ' +
        '(x, y, z) = view &middot; (x &minus; 256, y &minus; 140, 200) meets the ceiling (y &ge; 0) or the ' +
        'floor at distance d; u = |d&middot;x|, v = |d&middot;z + scroll|, shade = |50d|.',
      pixel: [
        'The maps refined from 8 to 1 (<code>refineInBands</code>), then <code>shadeTexels</code>: the tile or ' +
          'metal texel minus the grey of the shade, saturating.',
        'Rows 50..229: the logo added, saturating (<code>addSaturatedRun</code>).',
      ],
      formula: 'Ray against the planes at height &plusmn;100:<br>' +
        '<code>d = &plusmn;100 / (y + 1), (u, v) = (|d&middot;x|, |d&middot;z + scroll|)</code>',
      cues: 'Every cue swaps the tile and the metal texture and moves the camera 1561 ms on along its path; ' +
        'both stay for the rest of the show.',
      overlays: '<b>lattice</b>: the traced points with the texture coordinates each hit; <b>pictures</b>: ' +
        'the logo\'s band.',
    },
    heart: {
      label: 'the heart',
      files: ['effects/HeartEffect.cpp', 'effects/Jump.h', 'render/KeyedCopy.cpp'],
      summary: 'A wooden floor turns and pulses; the two halves of a picture breathe in from the sides and ' +
        'jump on the cues; a heart wobbles in the middle.',
      frame: [
        'pulse = cos(t/666), zoom = pulse/2 + 1, angle = (ms turned since the last cue, forward or back)/366 ' +
          '(<code>advance</code>); then the tables colCos[x] = zoom&middot;cos&middot;x, colSin, rowCos, rowSin ' +
          'for every column and row.',
        'The heart\'s own turn and scale: 2.8 + 0.05&middot;sin(t/733) times sin(cos(t/1444)) and ' +
          'cos(sin(t/1666)), the wobble; its centre texel (127 + 80&middot;pulse, 127 + 20&middot;sin(t/566)).',
        'The side halves: spread |pulse|&middot;31 pixels, lifted by their jumps.',
      ],
      lattice: 'None: the floor is a table rotozoom, the heart a turned sprite, both exact per pixel.',
      pixel: [
        '<code>drawBackground</code>: the wood texel at u = colCos[x] &minus; rowSin[y] + 127, ' +
          'v = rowCos[y] + colSin[x] + 127 (mod 256), four pixels at once as packed byte sums ' +
          '(<code>addBytesWrapping</code>).',
        '<code>drawSideHalves</code>: keyed copies of the picture\'s left and right halves.',
        '<code>drawHeart</code>: in a 312 x 230 window, the heart\'s texel at its turned coordinates, where ' +
          'they fall in 0..255, a keyed copy.',
      ],
      formula: 'The floor, x, y from the middle, z = zoom:<br>' +
        '<code>u = z&middot;(x&middot;cos a &minus; y&middot;sin a) + 127, ' +
        'v = z&middot;(x&middot;sin a + y&middot;cos a) + 127</code>',
      cues: 'Every cue reverses the floor\'s turning and makes one side half jump, right first, then left: ' +
        '15 pixels a frame, slowing each frame by 0.08 times the ms since the cue, at most 24 pixels up.',
      overlays: '<b>axes</b>: the floor\'s turned axes; <b>paths</b>: the heart picture\'s outline and its ' +
        'window; <b>pictures</b>: the two side halves.',
    },
    presents: {
      label: 'the caption',
      files: ['effects/PresentsEffect.cpp'],
      summary: 'The opening: a black frame, and from the first cue on a small caption in its middle.',
      frame: ['Nothing to compute: the caption is either shown or not.'],
      lattice: 'None.',
      pixel: ['The frame cleared (<code>clearFrame</code>), then the 70 x 20 caption copied at column 221, ' +
        'row 130, every pixel as it is: it has no transparent ones.'],
      formula: '<code>frame[130 + r][221 + c] = caption[r][c]</code>',
      cues: 'The first cue shows the caption; it stays.',
      overlays: '<b>pictures</b>: the caption\'s rectangle, once shown.',
    },
    end: {
      label: 'the end',
      files: ['effects/EndEffect.cpp'],
      summary: 'The closing picture, still, in the middle of a black frame.',
      frame: ['Nothing to compute: the picture never moves.'],
      lattice: 'None.',
      pixel: ['The frame cleared, then the 256 x 256 picture at column 128, row 12, a keyed copy ' +
        '(<code>copyKeyedRun</code>): pixels of the key colour are left black.'],
      formula: '<code>frame[12 + r][128 + c] = picture[r][c]</code> unless it is the key colour',
      cues: 'Code 9 ends the show (<code>EndEffect::QUIT_CODE</code>, the catalogue\'s closing code); ' +
        'other codes do nothing.',
      overlays: '<b>pictures</b>: the picture\'s square.',
    },
  };

  // The sections every panel has, in order: [key, heading].
  const SECTIONS = [
    ['frame', 'Once per frame'],
    ['lattice', 'Per lattice point'],
    ['pixel', 'Per pixel'],
    ['formula', 'Key formula'],
    ['cues', 'The music\'s cues'],
    ['overlays', 'Study overlays'],
  ];

  const STYLE = `
.zod-hiw { font: 14px/1.45 system-ui, sans-serif; color: #ddd; max-width: 46em; }
.zod-hiw h2 { font-size: 1.1em; margin: 0 0 .4em; }
.zod-hiw h3 { font-size: 1em; margin: .6em 0 .2em; }
.zod-hiw dl { margin: .6em 0; }
.zod-hiw dt { font-weight: 600; margin-top: .5em; }
.zod-hiw dd { margin: .1em 0 0 1em; }
.zod-hiw dd ul { margin: 0; padding-left: 1.1em; }
.zod-hiw code { font-family: 'DejaVu Sans Mono', monospace; font-size: .92em; color: #fc6; }
.zod-hiw a { color: #8cf; }
.zod-hiw-pictures { display: flex; flex-wrap: wrap; gap: .6em; margin: .6em 0; }
.zod-hiw-pictures figure { margin: 0; text-align: center; font-size: .8em; color: #aaa; }
.zod-hiw-pictures img { display: block; width: 96px; height: auto; image-rendering: pixelated;
  background: #222; border: 1px solid #444; }
`;

  function injectStyle() {
    if (document.getElementById('zod-hiw-style')) return;
    const style = document.createElement('style');
    style.id = 'zod-hiw-style';
    style.textContent = STYLE;
    document.head.appendChild(style);
  }

  function element(tag, className, html) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (html !== undefined) e.innerHTML = html;
    return e;
  }

  function sectionBody(key, content) {
    const dd = element('dd');
    dd.dataset.section = key;
    if (Array.isArray(content)) {
      const list = element('ul');
      for (const line of content) list.appendChild(element('li', '', line));
      dd.appendChild(list);
    } else {
      dd.innerHTML = content;
    }
    return dd;
  }

  // The thumbnails of `names`, as howitworks.json lists them, each with its name and size.
  function fillPictures(box, names, list, query) {
    box.textContent = '';
    box.appendChild(element('h3', '', 'Pictures'));
    const row = element('div', 'zod-hiw-pictures');
    for (const name of names) {
      const picture = list.pictures[name];
      if (!picture) continue;
      const figure = element('figure');
      const img = element('img');
      img.src = picture.file + query;
      img.alt = name;
      img.loading = 'eager';
      const caption = element('figcaption');
      caption.textContent = `${name}, ${picture.width} x ${picture.height}`;
      figure.append(img, caption);
      row.appendChild(figure);
    }
    box.appendChild(row);
  }

  function mount(container, version) {
    injectStyle();
    const query = version ? `?v=${encodeURIComponent(version)}` : '';
    const root = element('section', 'zod-hiw');
    root.setAttribute('aria-live', 'polite');
    container.appendChild(root);
    // Asked for once; every panel shown takes its pictures from it.
    const listed = fetch(`howitworks.json${query}`).then((r) => {
      if (!r.ok) throw new Error(`howitworks.json: ${r.status}`);
      return r.json();
    });
    listed.catch(() => {});
    let shown;

    function show(name) {
      if (name === shown) return;
      shown = name;
      root.textContent = '';
      const panel = Object.prototype.hasOwnProperty.call(PANELS, name) ? PANELS[name] : null;
      root.dataset.effect = panel ? name : '';
      if (!panel) {
        root.appendChild(element('p', '', 'Go to a moment of a scene to read how it is drawn.'));
        return;
      }
      root.appendChild(element('h2', '', `How it works: ${panel.label}`));
      root.appendChild(element('p', 'zod-hiw-summary', panel.summary));
      const sections = element('dl');
      for (const [key, heading] of SECTIONS) {
        sections.appendChild(element('dt', '', heading));
        sections.appendChild(sectionBody(key, panel[key]));
      }
      root.appendChild(sections);
      const pictures = element('div');
      pictures.dataset.section = 'pictures';
      root.appendChild(pictures);
      listed.then((list) => {
        if (shown === name) fillPictures(pictures, list.effects[name] || [], list, query);
      }, () => {
        if (shown === name) pictures.textContent = 'The list of pictures could not be loaded.';
      });
      const source = element('p', 'zod-hiw-source', 'Source: ');
      source.dataset.section = 'source';
      panel.files.forEach((file, i) => {
        const link = element('a');
        link.href = SOURCE_BASE + file;
        link.textContent = file;
        if (i) source.append(', ');
        source.appendChild(link);
      });
      root.appendChild(source);
    }

    return { show, element: root };
  }

  window.ZodHowItWorks = { mount };
})();
