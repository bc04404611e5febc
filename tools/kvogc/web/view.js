// Drawing: the test pattern warped through the real grid (two triangles per
// cell) with the real grid's lines, and over them the panel, the display grid,
// the operation grid's curves and nodes.
import { WarpRaster, blendLines } from './raster.js';

// A checkerboard with a circle, a centre cross, corner marks and labels: every
// distortion of the warp shows in it.
export function drawTestPattern(width, height, label) {
  const canvas = document.createElement('canvas');
  // Small enough to sample fast on a software renderer, large for the view it fills.
  const scale = Math.min(1, 1280 / Math.max(width, height));
  canvas.width = Math.round(width * scale);
  canvas.height = Math.round(height * scale);
  const c = canvas.getContext('2d');
  const w = canvas.width;
  const h = canvas.height;
  const cells = 16;
  const size = w / cells;
  for (let y = 0; y * size < h; ++y) {
    for (let x = 0; x < cells; ++x) {
      c.fillStyle = (x + y) % 2 ? '#23304a' : '#e9edf5';
      c.fillRect(x * size, y * size, size + 1, size + 1);
    }
  }
  const bars = ['#e5484d', '#f5a524', '#f0e442', '#46a758', '#12a5c9', '#3e63dd', '#8e4ec6'];
  const barW = w * 0.5 / bars.length;
  bars.forEach((color, i) => {
    c.fillStyle = color;
    c.fillRect(w * 0.25 + i * barW, h * 0.80, barW + 1, h * 0.07);
  });
  c.lineWidth = Math.max(3, w / 300);
  c.strokeStyle = '#46a758';
  c.beginPath();
  c.arc(w / 2, h / 2, h * 0.42, 0, Math.PI * 2);
  c.stroke();
  c.strokeStyle = '#12a5c9';
  c.beginPath();
  c.moveTo(w / 2, h * 0.08); c.lineTo(w / 2, h * 0.92);
  c.moveTo(w * 0.08, h / 2); c.lineTo(w * 0.92, h / 2);
  c.stroke();
  c.strokeStyle = '#8e4ec6';
  c.lineWidth = Math.max(4, w / 200);
  c.strokeRect(c.lineWidth / 2, c.lineWidth / 2, w - c.lineWidth, h - c.lineWidth);
  const font = Math.round(h / 16);
  c.font = `600 ${font}px system-ui, sans-serif`;
  c.textAlign = 'center';
  c.textBaseline = 'middle';
  c.fillStyle = '#0b1220';
  c.fillRect(w / 2 - font * 5, h * 0.30 - font * 0.8, font * 10, font * 1.6);
  c.fillStyle = '#ffffff';
  c.fillText(label, w / 2, h * 0.30);
  c.font = `600 ${Math.round(font * 0.6)}px system-ui, sans-serif`;
  const corner = [['TL', 0.06, 0.07], ['TR', 0.94, 0.07], ['BL', 0.06, 0.93], ['BR', 0.94, 0.93]];
  for (const [text, x, y] of corner) {
    c.fillStyle = '#8e4ec6';
    c.fillText(text, w * x, h * y);
  }
  return canvas;
}

export class WarpView {
  // One opaque canvas on the CPU: the page draws its pixels itself, and on a
  // software compositor every further layer costs a copy and a blend per frame.
  constructor(canvas) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
    this.raster = new WarpRaster();
    this.map = { scale: 1, ox: 0, oy: 0 };
    this.show = { pattern: true, real: true, disp: true };
    this.gridKey = '';
    this.patternVersion = 0;
    this.drawn = null;
  }

  // `source`: a canvas or an image bitmap. Its pixels are read once, at most
  // 2048 px on the long side.
  setPattern(source) {
    ++this.patternVersion;
    const scale = Math.min(1, 2048 / Math.max(source.width, source.height));
    const canvas = document.createElement('canvas');
    canvas.width = Math.max(1, Math.round(source.width * scale));
    canvas.height = Math.max(1, Math.round(source.height * scale));
    const c = canvas.getContext('2d', { willReadFrequently: true });
    c.drawImage(source, 0, 0, canvas.width, canvas.height);
    this.raster.setPattern(c.getImageData(0, 0, canvas.width, canvas.height));
  }

  // The real grid's line segments as pairs of node indices, row of cells by
  // row of cells (a row's horizontal line, then the vertical pieces below it).
  // Lines closer than a few pixels on screen would only fill the view: every
  // `stride`-th one is drawn.
  #prepareGrid(cx, cy, stride) {
    const key = `${cx}x${cy}/${stride}`;
    if (key === this.gridKey) return;
    this.gridKey = key;
    const cols = cx + 1;
    const drawn = (i, n) => i % stride === 0 || i === n;
    const segments = [];
    // Where each row's horizontal line starts and where it ends (the vertical
    // pieces below it follow): a band of rows is one range of segments.
    this.lineRowStart = new Uint32Array(cy + 1);
    this.lineRowEnd = new Uint32Array(cy + 1);
    for (let r = 0; r <= cy; ++r) {
      this.lineRowStart[r] = segments.length;
      if (drawn(r, cy)) {
        for (let c = 0; c < cx; ++c) segments.push(r * cols + c, r * cols + c + 1);
      }
      this.lineRowEnd[r] = segments.length;
      if (r === cy) break;
      for (let c = 0; c <= cx; ++c) {
        if (drawn(c, cx)) segments.push(r * cols + c, (r + 1) * cols + c);
      }
    }
    this.segments = new Uint32Array(segments);
  }

  resize() {
    const dpr = window.devicePixelRatio || 1;
    const rect = this.canvas.getBoundingClientRect();
    const w = Math.max(1, Math.round(rect.width * dpr));
    const h = Math.max(1, Math.round(rect.height * dpr));
    if (this.canvas.width !== w || this.canvas.height !== h) {
      this.canvas.width = w;
      this.canvas.height = h;
    }
    this.raster.resize(w, h);
    this.drawn = null;
    this.dpr = dpr;
    this.cssWidth = rect.width;
    this.cssHeight = rect.height;
  }

  // Fits the panel and whatever of the grid lies outside it, with some air.
  fit(state, real) {
    const [pw, ph] = state.panelSize;
    let minX = 0, minY = 0, maxX = pw, maxY = ph;
    for (let i = 0; i < real.length; i += 2) {
      minX = Math.min(minX, real[i]); maxX = Math.max(maxX, real[i]);
      minY = Math.min(minY, real[i + 1]); maxY = Math.max(maxY, real[i + 1]);
    }
    const [mx, my] = state.margin;
    minX = Math.max(minX, -mx); minY = Math.max(minY, -my);
    maxX = Math.min(maxX, pw + mx); maxY = Math.min(maxY, ph + my);
    const pad = 0.06 * Math.max(maxX - minX, maxY - minY);
    const w = maxX - minX + 2 * pad;
    const h = maxY - minY + 2 * pad;
    const scale = Math.min(this.cssWidth / w, this.cssHeight / h);
    this.map = {
      scale,
      ox: (this.cssWidth - (maxX - minX) * scale) / 2 - minX * scale,
      oy: (this.cssHeight - (maxY - minY) * scale) / 2 - minY * scale,
    };
  }

  toScreen(x, y) { return [x * this.map.scale + this.map.ox, y * this.map.scale + this.map.oy]; }
  toPanel(sx, sy) { return [(sx - this.map.ox) / this.map.scale, (sy - this.map.oy) / this.map.scale]; }

  // Redraws the picture a few times for a grid with its middle node moved a
  // pixel and back: the JavaScript engine compiles the partial redraw, with
  // what it needs to know, before the first drag step, which at 4K would
  // otherwise take 60 to 100 ms. The picture ends as a whole redraw leaves it.
  warmUp(state, arrays) {
    const [cx, cy] = state.realGridNum;
    const i = 2 * ((cy >> 1) * (cx + 1) + (cx >> 1));
    if (!(i + 1 < arrays.real.length)) return;
    const moved = arrays.real.slice();
    moved[i] += 1 / this.map.scale;
    for (let round = 0; round < 3; ++round) {
      this.drawPicture(state, { ...arrays, real: moved });
      this.drawPicture(state, arrays);
    }
  }

  // Redraws only what a step changed: the screen box of the cells whose nodes
  // moved (before and after), and in it only the cells that reach into it.
  drawPicture(state, arrays) {
    const [cx, cy] = state.realGridNum;
    const real = arrays.real;
    const { width: w, height: h } = this.raster;
    const whole = [0, 0, w, h];
    if (cx < 1 || cy < 1 || real.length !== 2 * (cx + 1) * (cy + 1)) {
      this.drawn = null;
      this.raster.clear(whole);
      return;
    }
    const { scale, ox, oy } = this.map;
    const scene = `${w}x${h} ${cx}x${cy} ${scale} ${ox} ${oy} ${this.show.pattern} ${this.show.real} ${this.patternVersion}`;
    let box = null;
    if (this.drawn && this.drawnScene === scene) {
      box = this.#changedBox(this.drawn, real, cx, cy);
      if (!box) return;
    }
    const cellOnScreen = scale * Math.min(state.panelSize[0] / cx, state.panelSize[1] / cy);
    this.#prepareGrid(cx, cy, Math.max(1, 2 ** Math.ceil(Math.log2(6 / cellOnScreen))));
    let rows = [0, cy - 1];
    let cols = [0, cx - 1];
    let clip = whole;
    if (box && (box[2] - box[0]) * (box[3] - box[1]) < 0.6 * this.cssWidth * this.cssHeight) {
      // Rows of cells first, then the columns of cells within those rows.
      const stride = 2 * (cx + 1);
      rows = bandsMeeting(real, cy + 1, 1, stride, cx + 1, 2, (box[1] - 2 - oy) / scale, (box[3] + 2 - oy) / scale);
      cols = bandsMeeting(real, cx + 1, rows[0] * stride, 2, rows[1] - rows[0] + 2, stride,
        (box[0] - 2 - ox) / scale, (box[2] + 2 - ox) / scale);
      if (cols[1] < cols[0]) cols = [0, cx - 1];
      clip = [Math.max(0, Math.floor(box[0] * this.dpr)), Math.max(0, Math.floor(box[1] * this.dpr)),
        Math.min(w, Math.ceil(box[2] * this.dpr)), Math.min(h, Math.ceil(box[3] * this.dpr))];
    }
    if (this.drawn?.length === real.length) this.drawn.set(real);
    else this.drawn = Float32Array.from(real);
    this.drawnScene = scene;
    if (clip[2] <= clip[0] || clip[3] <= clip[1]) return;

    this.raster.clear(clip);
    if (rows[1] >= rows[0]) {
      if (this.at?.length !== real.length) this.at = new Float64Array(real.length);
      const { at, dpr } = this;
      WarpRaster.place(at, real, cx + 1, [rows[0], rows[1] + 1], { scale: scale * dpr, ox: ox * dpr, oy: oy * dpr });
      if (this.show.pattern) this.raster.drawCells(at, [cx, cy], rows, cols, clip);
      const lineRange = [this.lineRowStart[rows[0]], this.lineRowEnd[rows[1] + 1]];
      if (this.show.real) blendLines(this.raster, at, this.segments, lineRange, clip, [115, 217, 255], this.show.pattern ? 0.3 : 0.5);
    }
  }

  // The screen box (CSS px: x0, y0, x1, y1) of every cell next to a node that
  // moved, at its old and its new place; null when nothing moved.
  #changedBox(before, after, cx, cy) {
    const cols = cx + 1;
    let r0 = Infinity, r1 = -1, c0 = Infinity, c1 = -1;
    for (let r = 0; r <= cy; ++r) {
      for (let c = 0, i = 2 * r * cols; c <= cx; ++c, i += 2) {
        if (before[i] !== after[i] || before[i + 1] !== after[i + 1]) {
          if (r < r0) r0 = r;
          if (r > r1) r1 = r;
          if (c < c0) c0 = c;
          if (c > c1) c1 = c;
        }
      }
    }
    if (r1 < 0) return null;
    r0 = Math.max(0, r0 - 1); r1 = Math.min(cy, r1 + 1);
    c0 = Math.max(0, c0 - 1); c1 = Math.min(cx, c1 + 1);
    let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
    for (const grid of [before, after]) {
      for (let r = r0; r <= r1; ++r) {
        for (let c = c0, i = 2 * (r * cols + c0); c <= c1; ++c, i += 2) {
          minX = Math.min(minX, grid[i]); maxX = Math.max(maxX, grid[i]);
          minY = Math.min(minY, grid[i + 1]); maxY = Math.max(maxY, grid[i + 1]);
        }
      }
    }
    const { scale, ox, oy } = this.map;
    // Two pixels of air for the lines and the rasteriser's rounding.
    return [minX * scale + ox - 2, minY * scale + oy - 2, maxX * scale + ox + 2, maxY * scale + oy + 2];
  }

  // The picture, and over it the panel, the grids' lines and nodes and the
  // page's marks.
  draw(state, arrays, ui) {
    this.drawPicture(state, arrays);
    this.drawOverlay(state, arrays, ui);
  }

  // The canvas records its drawing and rasterises it when the frame is made;
  // reading a pixel back makes it do so now, so that a timed step pays for it.
  finish() {
    this.ctx.getImageData(0, 0, 1, 1);
  }

  drawOverlay(state, arrays, ui) {
    const c = this.ctx;
    c.putImageData(this.raster.image, 0, 0);
    c.setTransform(this.dpr, 0, 0, this.dpr, 0, 0);
    const [pw, ph] = state.panelSize;
    const [mx, my] = state.margin;
    const S = (x, y) => this.toScreen(x, y);

    // The margin the library lets nodes go to, and the panel.
    let [x0, y0] = S(-mx, -my);
    let [x1, y1] = S(pw + mx, ph + my);
    c.strokeStyle = 'rgba(148, 163, 184, 0.35)';
    c.setLineDash([6, 6]);
    c.strokeRect(x0, y0, x1 - x0, y1 - y0);
    c.setLineDash([]);
    [x0, y0] = S(0, 0);
    [x1, y1] = S(pw, ph);
    c.strokeStyle = 'rgba(226, 232, 240, 0.9)';
    c.lineWidth = 1.5;
    c.strokeRect(x0, y0, x1 - x0, y1 - y0);
    c.fillStyle = 'rgba(226, 232, 240, 0.75)';
    c.font = '12px system-ui, sans-serif';
    c.fillText(`panel ${pw}×${ph}`, x0 + 2, y0 - 6);

    if (this.show.disp) {
      c.strokeStyle = 'rgba(250, 204, 21, 0.55)';
      c.lineWidth = 1;
      c.setLineDash([4, 4]);
      this.#polylines(arrays.dispHLines, state.dispHCount);
      this.#polylines(arrays.dispVLines, state.dispVCount);
      c.setLineDash([]);
    }

    // The operation grid: its boundary curves from the library's samples.
    c.lineWidth = 2;
    c.strokeStyle = 'rgba(255, 122, 69, 0.95)';
    this.#polylines(arrays.opeHLines, state.opeHCount);
    this.#polylines(arrays.opeVLines, state.opeVCount);
    if (ui.line) {
      c.lineWidth = 4;
      c.strokeStyle = '#38bdf8';
      this.#segment(state, arrays, ui.line);
    }
    if (ui.handles) {
      c.lineWidth = 1.5;
      c.strokeStyle = '#38bdf8';
      c.fillStyle = '#0b1220';
      for (const h of ui.handles) {
        const [ax, ay] = S(h.anchor[0], h.anchor[1]);
        const [hx, hy] = S(h.at[0], h.at[1]);
        c.beginPath(); c.moveTo(ax, ay); c.lineTo(hx, hy); c.stroke();
        c.beginPath(); c.rect(hx - 5, hy - 5, 10, 10); c.fill(); c.stroke();
      }
    }

    const [ocx, ocy] = state.opeGridNum;
    const nodes = arrays.opeNodes;
    const now = performance.now();
    for (let r = 0; r <= ocy; ++r) {
      for (let col = 0; col <= ocx; ++col) {
        const i = 2 * (r * (ocx + 1) + col);
        const [sx, sy] = S(nodes[i], nodes[i + 1]);
        const key = `${r},${col}`;
        const selected = ui.selection?.has(key);
        const hover = ui.hover === key;
        c.beginPath();
        c.arc(sx, sy, selected || hover ? 7 : 5.5, 0, Math.PI * 2);
        c.fillStyle = selected ? '#38bdf8' : '#0b1220';
        c.fill();
        c.lineWidth = 2;
        c.strokeStyle = hover ? '#ffffff' : '#ff7a45';
        c.stroke();
        const flash = ui.flash?.get(key);
        if (flash && now < flash) {
          const k = (flash - now) / 900;
          c.beginPath();
          c.arc(sx, sy, 10 + 10 * (1 - k), 0, Math.PI * 2);
          c.strokeStyle = `rgba(239, 68, 68, ${k})`;
          c.lineWidth = 3;
          c.stroke();
        }
      }
    }

    if (ui.band) {
      const { x0: bx0, y0: by0, x1: bx1, y1: by1 } = ui.band;
      c.fillStyle = 'rgba(56, 189, 248, 0.12)';
      c.strokeStyle = 'rgba(56, 189, 248, 0.9)';
      c.lineWidth = 1;
      c.fillRect(Math.min(bx0, bx1), Math.min(by0, by1), Math.abs(bx1 - bx0), Math.abs(by1 - by0));
      c.strokeRect(Math.min(bx0, bx1), Math.min(by0, by1), Math.abs(bx1 - bx0), Math.abs(by1 - by0));
    }
  }

  #polylines(samples, count) {
    if (!samples || count < 2) return;
    const c = this.ctx;
    const { scale, ox, oy } = this.map;
    c.beginPath();
    for (let start = 0; start + 2 * count <= samples.length; start += 2 * count) {
      c.moveTo(samples[start] * scale + ox, samples[start + 1] * scale + oy);
      for (let k = 1; k < count; ++k) {
        c.lineTo(samples[start + 2 * k] * scale + ox, samples[start + 2 * k + 1] * scale + oy);
      }
    }
    c.stroke();
  }

  #segment(state, arrays, line) {
    const samples = lineSamples(state, arrays, line);
    if (samples.length < 2) return;
    const c = this.ctx;
    c.beginPath();
    samples.forEach(([x, y], k) => {
      const [sx, sy] = this.toScreen(x, y);
      if (k === 0) c.moveTo(sx, sy); else c.lineTo(sx, sy);
    });
    c.stroke();
  }
}

// The first and last band of cells between neighbouring grid lines whose
// extent along one axis meets [lo, hi] (panel px). Line k's coordinates on
// that axis are `points` values of `real` from start + k * lineStep, every
// `pointStep`. [lines - 1, -1] when none meets.
function bandsMeeting(real, lines, start, lineStep, points, pointStep, lo, hi) {
  let first = lines - 1, last = -1;
  let prevMin = 0, prevMax = 0;
  for (let k = 0; k < lines; ++k) {
    let min = Infinity, max = -Infinity;
    for (let n = 0, i = start + k * lineStep; n < points; ++n, i += pointStep) {
      if (real[i] < min) min = real[i];
      if (real[i] > max) max = real[i];
    }
    if (k > 0 && Math.min(min, prevMin) <= hi && Math.max(max, prevMax) >= lo) {
      if (k - 1 < first) first = k - 1;
      last = k - 1;
    }
    prevMin = min;
    prevMax = max;
  }
  return [first, last];
}

// The samples of one boundary line (row, col) between its two nodes: the part
// of the row's (or column's) polyline whose parameter falls in that cell.
export function lineSamples(state, arrays, { vertical, row, col }) {
  const [ocx, ocy] = state.opeGridNum;
  const count = vertical ? state.opeVCount : state.opeHCount;
  const samples = vertical ? arrays.opeVLines : arrays.opeHLines;
  const cells = vertical ? ocy : ocx;
  const index = vertical ? col : row;
  const along = vertical ? row : col;
  if (count < 2 || !samples) return [];
  // Each line's samples follow one another, both ends included, when the count divides.
  const per = count % cells === 0 ? count / cells : 0;
  const first = per ? along * per : Math.round((along * (count - 1)) / cells);
  const last = per ? first + per - 1 : Math.round(((along + 1) * (count - 1)) / cells);
  const out = [];
  for (let k = first; k <= last; ++k) {
    const i = 2 * (index * count + k);
    out.push([samples[i], samples[i + 1]]);
  }
  return out;
}
