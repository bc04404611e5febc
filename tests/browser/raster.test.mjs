// The page's own rasteriser, in Node without a browser: warped grids leave no
// crack between their triangles, and a redraw of any box equals that box of a
// whole redraw, bit for bit.
//
//   node raster.test.mjs
import assert from 'node:assert/strict';

globalThis.ImageData ??= class {
  constructor(width, height) {
    Object.assign(this, { width, height, data: new Uint8ClampedArray(4 * width * height) });
  }
};
const { WarpRaster, BACKGROUND, blendLines } = await import('../../tools/kvogc/web/raster.js');

const W = 300;
const H = 200;
const CELLS = [24, 15];

// Grids whose nodes lie on pixel centres and edges (ties for the fill rule),
// a smooth warp, a grid folded over itself and one blown up far past the view.
const warps = {
  onCentres: (x, y) => [x, y],
  mirrored: (x, y) => [300 - x, y],
  wavy: (x, y) => [x + 9 * Math.sin(y / 17), y + 7 * Math.sin(x / 23)],
  folded: (x, y) => [x < 150 ? x : 300 - x + 0.37 * y, y],
  // Triangles a million pixels across, whose runs need the exact integer checks.
  huge: (x, y) => [(x - 149.3) * 7919 + 150, (y - 99.1) * 6007 + 100 + 0.3 * x],
};

function grid(warp) {
  const [cx, cy] = CELLS;
  const real = new Float32Array(2 * (cx + 1) * (cy + 1));
  for (let r = 0; r <= cy; ++r) {
    for (let c = 0; c <= cx; ++c) {
      // Nodes 10.5 px apart from 20.5: some edges run through pixel centres.
      [real[2 * (r * (cx + 1) + c)], real[2 * (r * (cx + 1) + c) + 1]] = warp(20.5 + c * 10.5, 20.5 + r * 10);
    }
  }
  return real;
}

function draw(raster, real, clip) {
  const [cx, cy] = CELLS;
  const at = new Float64Array(real.length);
  WarpRaster.place(at, real, cx + 1, [0, cy], { scale: 1, ox: 0, oy: 0 });
  raster.clear(clip);
  raster.drawCells(at, CELLS, [0, cy - 1], [0, cx - 1], clip);
  const segments = [];
  for (let i = 0; i < cx; ++i) segments.push(i, i + 1);
  blendLines(raster, at, Uint32Array.from(segments), [0, segments.length], clip, [115, 217, 255], 0.3);
}

// A texel per cell and no texel the colour of the background.
const pattern = new ImageData(CELLS[0], CELLS[1]);
new Uint32Array(pattern.data.buffer).forEach((_, i, texels) => { texels[i] = 0xff000000 | (i * 2654435761) >>> 8; });

let seed = 7;
const random = (n) => {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return seed % n;
};

for (const [name, warp] of Object.entries(warps)) {
  const raster = new WarpRaster();
  raster.resize(W, H);
  raster.setPattern(pattern);
  const real = grid(warp);
  draw(raster, real, [0, 0, W, H]);
  const whole = raster.pixels.slice();

  if (name === 'onCentres' || name === 'mirrored') {
    // Every pixel centre inside the grid's rectangle is drawn: none is left in
    // the background colour, whichever way round the triangles turn.
    const [left, right] = name === 'mirrored' ? [27.5, 279.5] : [20.5, 272.5];
    for (let y = 21; y + 0.5 < 170.5; ++y) {
      for (let x = Math.ceil(left); x + 0.5 < right; ++x) {
        assert.notEqual(whole[y * W + x], BACKGROUND, `${name}: crack at (${x}, ${y})`);
      }
    }
  }
  if (name === 'onCentres') {
    // The cell a pixel lies in gives its texel.
    assert.equal(whole[25 * W + 25], new Uint32Array(pattern.data.buffer)[0]);
    assert.equal(whole[35 * W + 35], new Uint32Array(pattern.data.buffer)[CELLS[0] + 1]);
  }
  for (let i = 0; i < 40; ++i) {
    const x0 = random(W), y0 = random(H);
    const clip = [x0, y0, x0 + 1 + random(W - x0), y0 + 1 + random(H - y0)];
    draw(raster, real, clip);
    const differ = raster.pixels.findIndex((value, k) => value !== whole[k]);
    assert.equal(differ, -1, `${name}: the redraw of box ${clip} differs at pixel ${differ}`);
  }
}
console.log('raster test: ok');
