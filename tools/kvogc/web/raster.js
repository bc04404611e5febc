// The test pattern warped through the real grid, drawn by the page itself into
// a pixel buffer: two triangles per cell with affine texture coordinates, and
// the grid's lines on top. A software-rendered browser spends most of a drag
// step on GPU emulation; this draws only the pixels a step changed.
//
// Vertices snap to 1/16 px and edges are tested in exact integers with a
// top-left rule, so triangles that share an edge share its pixels exactly once
// and every pixel depends on nothing but the grid: a redraw of part of the
// picture equals the same part of a whole redraw.

const SUB = 16;
const HALF = SUB / 2;
// Products of two snapped coordinates stay exact in doubles below 2^53.
const FAR = 2 ** 24;
export const BACKGROUND = 0xff20120b; // rgb(11, 18, 32), little-endian RGBA

const snap = (v) => Math.round(Math.min(FAR, Math.max(-FAR, v * SUB)));

export class WarpRaster {
  constructor() {
    this.width = 0;
    this.height = 0;
    this.pixels = null;
    this.image = null;
    this.texels = null;
  }

  resize(width, height) {
    if (width === this.width && height === this.height) return;
    this.width = width;
    this.height = height;
    this.image = new ImageData(width, height);
    this.pixels = new Uint32Array(this.image.data.buffer);
  }

  // `image` is an ImageData (or anything with width, height and RGBA data).
  setPattern(image) {
    this.texels = new Uint32Array(image.data.buffer, image.data.byteOffset, image.width * image.height);
    this.texWidth = image.width;
    this.texHeight = image.height;
  }

  clear([x0, y0, x1, y1]) {
    for (let y = y0; y < y1; ++y) this.pixels.fill(BACKGROUND, y * this.width + x0, y * this.width + x1);
  }

  // Snaps the device coordinates (1/16 px) of the grid's nodes in rows
  // [first, last] into `at`; a node that is not finite becomes NaN.
  static place(at, real, cols, [first, last], { scale, ox, oy }) {
    for (let i = 2 * first * cols, end = 2 * (last + 1) * cols; i < end; i += 2) {
      const x = real[i] * scale + ox;
      const y = real[i + 1] * scale + oy;
      const finite = Number.isFinite(x) && Number.isFinite(y);
      at[i] = finite ? snap(x) : NaN;
      at[i + 1] = finite ? snap(y) : NaN;
    }
  }

  // The cells of rows [r0, r1] and columns [c0, c1], clipped to the device box
  // [x0, x1) x [y0, y1), in the order a whole redraw takes them.
  drawCells(at, [cx, cy], [r0, r1], [c0, c1], clip) {
    if (!this.texels) return;
    this.clip = clip;
    for (let r = r0; r <= r1; ++r) this.#cellRow(at, cx, cy, r, c0, c1);
  }

  // One row of cells. A function per row rather than per draw: V8 optimises it
  // after a few rows and keeps that for the next draw, and none per triangle:
  // it would box every coordinate passed.
  #cellRow(at, cx, cy, r, c0, c1) {
    const { texels, pixels, width } = this;
    const [x0, y0, x1, y1] = this.clip;
    const tw = this.texWidth;
    const th = this.texHeight;
    const cols = cx + 1;
    const left = x0 * SUB, right = x1 * SUB, top = y0 * SUB, bottom = y1 * SUB;
    const v0 = (r / cy) * th;
    const v1 = ((r + 1) / cy) * th;
    for (let c = c0; c <= c1; ++c) {
      const i00 = 2 * (r * cols + c);
      const i10 = i00 + 2;
      const i01 = i00 + 2 * cols;
      const i11 = i01 + 2;
      const x00 = at[i00], y00 = at[i00 + 1], x10 = at[i10], y10 = at[i10 + 1];
      const x01 = at[i01], y01 = at[i01 + 1], x11 = at[i11], y11 = at[i11 + 1];
      // Also skips a cell with a node that is not finite (NaN compares false).
      if (!((x00 >= left || x10 >= left || x01 >= left || x11 >= left)
        && (x00 < right || x10 < right || x01 < right || x11 < right)
        && (y00 >= top || y10 >= top || y01 >= top || y11 >= top)
        && (y00 < bottom || y10 < bottom || y01 < bottom || y11 < bottom))) continue;
      const u0 = (c / cx) * tw;
      const u1 = ((c + 1) / cx) * tw;
      for (let t = 0; t < 2; ++t) {
        // Triangles (00, 10, 01) and (10, 11, 01).
        const ax = t ? x10 : x00, ay = t ? y10 : y00, au = t ? u1 : u0, av = v0;
        let bx = t ? x11 : x10, by = t ? y11 : y10, bu = u1, bv = t ? v1 : v0;
        const qx = x01, qy = y01, qu = u0, qv = v1;
        let area = (bx - ax) * (qy - ay) - (by - ay) * (qx - ax);
        if (!(area !== 0)) continue; // degenerate, or not finite
        let ex = qx, ey = qy, eu = qu, ev = qv;
        if (area < 0) {
          // Turned the other way: swap two corners so that inside is positive.
          ex = bx; ey = by; eu = bu; ev = bv;
          bx = qx; by = qy; bu = qu; bv = qv;
          area = -area;
        }
        const lo = ax < bx ? (ax < ex ? ax : ex) : (bx < ex ? bx : ex);
        const hi = ax > bx ? (ax > ex ? ax : ex) : (bx > ex ? bx : ex);
        const loY = ay < by ? (ay < ey ? ay : ey) : (by < ey ? by : ey);
        const hiY = ay > by ? (ay > ey ? ay : ey) : (by > ey ? by : ey);
        const minX = Math.max(x0, Math.ceil((lo - HALF) / SUB));
        const maxX = Math.min(x1 - 1, Math.floor((hi - HALF) / SUB));
        const minY = Math.max(y0, Math.ceil((loY - HALF) / SUB));
        const maxY = Math.min(y1 - 1, Math.floor((hiY - HALF) / SUB));
        if (minX > maxX || minY > maxY) continue;
        // Edge functions, positive inside. A pixel centre on an edge belongs
        // to the triangle when the edge is a top or a left one (bias 0, else 1).
        const abx = bx - ax, aby = by - ay;
        const bcx = ex - bx, bcy = ey - by;
        const cax = ax - ex, cay = ay - ey;
        const biasAB = aby < 0 || (aby === 0 && abx > 0) ? 0 : 1;
        const biasBC = bcy < 0 || (bcy === 0 && bcx > 0) ? 0 : 1;
        const biasCA = cay < 0 || (cay === 0 && cax > 0) ? 0 : 1;
        const sx = minX * SUB + HALF;
        const sy = minY * SUB + HALF;
        let rowAB = abx * (sy - ay) - aby * (sx - ax);
        let rowBC = bcx * (sy - by) - bcy * (sx - bx);
        let rowCA = cax * (sy - ey) - cay * (sx - ex);
        const stepAB = -aby * SUB, stepBC = -bcy * SUB, stepCA = -cay * SUB;
        const inv = 1 / area;
        const du1 = (bu - au) * inv, du2 = (eu - au) * inv;
        const dv1 = (bv - av) * inv, dv2 = (ev - av) * inv;
        const span = maxX - minX;
        for (let y = minY; y <= maxY; ++y) {
          let first = 0, last = span;
          if (span > 6) {
            // The run of pixels inside all three edges, from exact integers;
            // a small triangle tests each pixel instead.
            if (stepAB > 0) first = Math.max(first, firstAtLeast(rowAB, stepAB, biasAB));
            else if (stepAB < 0) last = Math.min(last, lastAtLeast(rowAB, stepAB, biasAB));
            else if (rowAB < biasAB) last = -1;
            if (stepBC > 0) first = Math.max(first, firstAtLeast(rowBC, stepBC, biasBC));
            else if (stepBC < 0) last = Math.min(last, lastAtLeast(rowBC, stepBC, biasBC));
            else if (rowBC < biasBC) last = -1;
            if (stepCA > 0) first = Math.max(first, firstAtLeast(rowCA, stepCA, biasCA));
            else if (stepCA < 0) last = Math.min(last, lastAtLeast(rowCA, stepCA, biasCA));
            else if (rowCA < biasCA) last = -1;
          }
          let eAB = rowAB + first * stepAB;
          let eCA = rowCA + first * stepCA;
          if (span > 6) {
            // Every pixel of the run is inside.
            for (let k = first, p = y * width + minX + first; k <= last; ++k, ++p) {
              // The weights of B and of the third corner are the edge functions
              // opposite them; inside the triangle u and v lie between its
              // corners' values.
              const u = au + eCA * du1 + eAB * du2;
              const v = av + eCA * dv1 + eAB * dv2;
              let tx = u | 0, ty = v | 0;
              if (tx >= tw) tx = tw - 1; else if (tx < 0) tx = 0;
              if (ty >= th) ty = th - 1; else if (ty < 0) ty = 0;
              pixels[p] = texels[ty * tw + tx];
              eAB += stepAB;
              eCA += stepCA;
            }
          } else {
            // The same texel lookup, written out again: as a function call it
            // cost a quarter of the loop.
            let eBC = rowBC;
            for (let k = 0, p = y * width + minX; k <= span; ++k, ++p) {
              if (eAB >= biasAB && eBC >= biasBC && eCA >= biasCA) {
                const u = au + eCA * du1 + eAB * du2;
                const v = av + eCA * dv1 + eAB * dv2;
                let tx = u | 0, ty = v | 0;
                if (tx >= tw) tx = tw - 1; else if (tx < 0) tx = 0;
                if (ty >= th) ty = th - 1; else if (ty < 0) ty = 0;
                pixels[p] = texels[ty * tw + tx];
              }
              eAB += stepAB;
              eBC += stepBC;
              eCA += stepCA;
            }
          }
          rowAB += abx * SUB;
          rowBC += bcx * SUB;
          rowCA += cax * SUB;
        }
      }
    }
  }
}

// The first k >= 0 with e + k * step >= bias (step > 0), and the last k with
// e + k * step >= bias (step < 0; -1 when there is none). The quotients are
// exact enough: where k falls inside a row of the view, |bias - e| is below
// 2^42 and a quotient of integers that size never rounds onto or past an
// integer; beyond the row, the caller's clamp hides any error.
const firstAtLeast = (e, step, bias) => (e >= bias ? 0 : Math.ceil((bias - e) / step));
const lastAtLeast = (e, step, bias) => (e < bias ? -1 : Math.floor((e - bias) / -step));

// Blends the grid's lines over the picture: 1 px wide, each segment without its
// last pixel, in a fixed order, so that a pixel gets the same blends in a part
// redraw as in a whole one.
export function blendLines(raster, at, segments, [from, to], [x0, y0, x1, y1], [r, g, b], alpha) {
  const keep = Math.round((1 - alpha) * 256);
  const addR = Math.round(r * alpha * 256), addG = Math.round(g * alpha * 256), addB = Math.round(b * alpha * 256);
  const { pixels, width } = raster;
  const lo = (v) => Math.floor(v / SUB);
  for (let k = from; k < to; k += 2) {
    const p = 2 * segments[k];
    const q = 2 * segments[k + 1];
    const px = at[p], py = at[p + 1], qx = at[q], qy = at[q + 1];
    if (!(Math.max(lo(px), lo(qx)) >= x0 && Math.min(lo(px), lo(qx)) < x1
      && Math.max(lo(py), lo(qy)) >= y0 && Math.min(lo(py), lo(qy)) < y1)) continue;
    // A segment longer than any screen is drawn dotted rather than for seconds.
    const n = Math.min(1 << 16, Math.max(1, Math.ceil(Math.max(Math.abs(qx - px), Math.abs(qy - py)) / SUB)));
    const dx = (qx - px) / n, dy = (qy - py) / n;
    for (let i = 0; i < n; ++i) {
      const x = lo(px + dx * i);
      const y = lo(py + dy * i);
      if (x < x0 || x >= x1 || y < y0 || y >= y1) continue;
      const o = y * width + x;
      const d = pixels[o];
      pixels[o] = 0xff000000
        | (((((d >>> 16) & 255) * keep + addB) >> 8) << 16)
        | (((((d >>> 8) & 255) * keep + addG) >> 8) << 8)
        | (((d & 255) * keep + addR) >> 8);
    }
  }
}
