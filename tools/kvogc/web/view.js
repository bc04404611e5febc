// Drawing: the test pattern warped through the real grid (WebGL, two
// triangles per cell) with the real grid's lines, and on top a 2D layer with
// the panel, the display grid, the operation grid's curves and nodes.

const VERTEX_SHADER = `#version 300 es
in vec2 a_pos;
in vec2 a_uv;
uniform vec4 u_map; // scale x, scale y, offset x, offset y: panel pixels to clip space
out vec2 v_uv;
void main() {
  v_uv = a_uv;
  gl_Position = vec4(a_pos * u_map.xy + u_map.zw, 0.0, 1.0);
}`;

const FRAGMENT_SHADER = `#version 300 es
precision mediump float;
in vec2 v_uv;
uniform sampler2D u_image;
uniform vec4 u_color;
uniform float u_textured;
out vec4 outColor;
void main() {
  outColor = u_textured > 0.5 ? texture(u_image, v_uv) * u_color : u_color;
}`;

function compile(gl, type, source) {
  const shader = gl.createShader(type);
  gl.shaderSource(shader, source);
  gl.compileShader(shader);
  if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(shader));
  return shader;
}

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
  constructor(glCanvas, overlay) {
    this.glCanvas = glCanvas;
    this.overlay = overlay;
    this.ctx = overlay.getContext('2d');
    // No multisampling: on a software renderer it multiplies the cost of every drag step.
    this.gl = glCanvas.getContext('webgl2', { antialias: false, alpha: false, preserveDrawingBuffer: true });
    this.map = { scale: 1, ox: 0, oy: 0 };
    this.show = { pattern: true, real: true, disp: true };
    this.gridKey = '';
    this.patternVersion = 0;
    this.drawn = null;
    if (this.gl) this.#initGl();
  }

  #initGl() {
    const gl = this.gl;
    const program = gl.createProgram();
    gl.attachShader(program, compile(gl, gl.VERTEX_SHADER, VERTEX_SHADER));
    gl.attachShader(program, compile(gl, gl.FRAGMENT_SHADER, FRAGMENT_SHADER));
    gl.linkProgram(program);
    this.program = program;
    this.loc = {
      pos: gl.getAttribLocation(program, 'a_pos'),
      uv: gl.getAttribLocation(program, 'a_uv'),
      map: gl.getUniformLocation(program, 'u_map'),
      color: gl.getUniformLocation(program, 'u_color'),
      textured: gl.getUniformLocation(program, 'u_textured'),
    };
    this.posBuffer = gl.createBuffer();
    this.uvBuffer = gl.createBuffer();
    this.triBuffer = gl.createBuffer();
    this.lineBuffer = gl.createBuffer();
    this.texture = gl.createTexture();
    this.vao = gl.createVertexArray();
  }

  setPattern(source) {
    const gl = this.gl;
    if (!gl) return;
    ++this.patternVersion;
    gl.bindTexture(gl.TEXTURE_2D, this.texture);
    gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, false);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, gl.RGBA, gl.UNSIGNED_BYTE, source);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.LINEAR);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.LINEAR);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
  }

  // Index buffers and texture coordinates depend on the grid size only. Real-grid
  // lines closer than a few pixels on screen would only fill the view: every
  // `stride`-th one is drawn. Triangles go row of cells by row of cells, and so
  // do the lines (a row's horizontal line, then the vertical pieces below it),
  // so that a band of rows is one contiguous range of each index buffer.
  #prepareGrid(cx, cy, stride) {
    const key = `${cx}x${cy}/${stride}`;
    if (key === this.gridKey) return;
    this.gridKey = key;
    const gl = this.gl;
    const cols = cx + 1;
    const uv = new Float32Array(2 * cols * (cy + 1));
    for (let r = 0; r <= cy; ++r) {
      for (let c = 0; c <= cx; ++c) {
        uv[2 * (r * cols + c)] = c / cx;
        uv[2 * (r * cols + c) + 1] = r / cy;
      }
    }
    const tris = new Uint32Array(6 * cx * cy);
    let t = 0;
    for (let r = 0; r < cy; ++r) {
      for (let c = 0; c < cx; ++c) {
        const a = r * cols + c;
        tris.set([a, a + 1, a + cols, a + 1, a + cols + 1, a + cols], t);
        t += 6;
      }
    }
    const drawn = (i, n) => i % stride === 0 || i === n;
    const lineIndices = [];
    this.lineRowStart = new Uint32Array(cy + 1);
    this.lineRowEnd = new Uint32Array(cy + 1);
    for (let r = 0; r <= cy; ++r) {
      this.lineRowStart[r] = lineIndices.length;
      if (drawn(r, cy)) {
        for (let c = 0; c < cx; ++c) lineIndices.push(r * cols + c, r * cols + c + 1);
      }
      this.lineRowEnd[r] = lineIndices.length;
      if (r === cy) break;
      for (let c = 0; c <= cx; ++c) {
        if (drawn(c, cx)) lineIndices.push(r * cols + c, (r + 1) * cols + c);
      }
    }
    const lines = new Uint32Array(lineIndices);
    gl.bindVertexArray(this.vao);
    gl.bindBuffer(gl.ARRAY_BUFFER, this.uvBuffer);
    gl.bufferData(gl.ARRAY_BUFFER, uv, gl.STATIC_DRAW);
    gl.enableVertexAttribArray(this.loc.uv);
    gl.vertexAttribPointer(this.loc.uv, 2, gl.FLOAT, false, 0, 0);
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, this.triBuffer);
    gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, tris, gl.STATIC_DRAW);
    this.triCount = tris.length;
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, this.lineBuffer);
    gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, lines, gl.STATIC_DRAW);
    this.lineCount = lines.length;
  }

  resize() {
    const dpr = window.devicePixelRatio || 1;
    const rect = this.overlay.getBoundingClientRect();
    const w = Math.max(1, Math.round(rect.width * dpr));
    const h = Math.max(1, Math.round(rect.height * dpr));
    for (const canvas of [this.glCanvas, this.overlay]) {
      if (canvas.width !== w || canvas.height !== h) {
        canvas.width = w;
        canvas.height = h;
      }
    }
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

  // Redraws only what a step changed: the screen box of the cells whose nodes
  // moved (before and after), and in it only the rows of cells that reach into
  // it. On a software renderer the cost goes with the pixels and vertices
  // touched; the drawing buffer is kept between frames for this.
  drawGl(state, arrays) {
    const gl = this.gl;
    if (!gl) return;
    const [cx, cy] = state.realGridNum;
    const real = arrays.real;
    const w = this.glCanvas.width;
    const h = this.glCanvas.height;
    if (cx < 1 || cy < 1 || real.length !== 2 * (cx + 1) * (cy + 1)) {
      this.drawn = null;
      gl.viewport(0, 0, w, h);
      gl.disable(gl.SCISSOR_TEST);
      gl.clearColor(0.043, 0.071, 0.125, 1);
      gl.clear(gl.COLOR_BUFFER_BIT);
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
    if (box && (box[2] - box[0]) * (box[3] - box[1]) < 0.6 * w * h) {
      rows = this.#rowsMeeting(real, cx, cy, box[1], box[3]);
      cols = this.#colsMeeting(real, cx, rows, box[0], box[2]);
    } else {
      box = null;
    }
    if (this.drawn?.length === real.length) this.drawn.set(real);
    else this.drawn = Float32Array.from(real);
    this.drawnScene = scene;

    gl.viewport(0, 0, w, h);
    if (box) {
      // Scissor boxes count from the bottom of the buffer.
      const x0 = Math.max(0, Math.floor(box[0] * this.dpr));
      const x1 = Math.min(w, Math.ceil(box[2] * this.dpr));
      const y0 = Math.max(0, Math.floor(box[1] * this.dpr));
      const y1 = Math.min(h, Math.ceil(box[3] * this.dpr));
      if (x1 <= x0 || y1 <= y0) return;
      gl.enable(gl.SCISSOR_TEST);
      gl.scissor(x0, h - y1, x1 - x0, y1 - y0);
    } else {
      gl.disable(gl.SCISSOR_TEST);
    }
    gl.clearColor(0.043, 0.071, 0.125, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    if (rows[1] < rows[0]) return;
    gl.useProgram(this.program);
    gl.bindVertexArray(this.vao);
    gl.bindBuffer(gl.ARRAY_BUFFER, this.posBuffer);
    gl.bufferData(gl.ARRAY_BUFFER, real, gl.DYNAMIC_DRAW);
    gl.enableVertexAttribArray(this.loc.pos);
    gl.vertexAttribPointer(this.loc.pos, 2, gl.FLOAT, false, 0, 0);
    const sx = 2 * scale / this.cssWidth;
    const sy = -2 * scale / this.cssHeight;
    gl.uniform4f(this.loc.map, sx, sy, 2 * ox / this.cssWidth - 1, 1 - 2 * oy / this.cssHeight);
    if (this.show.pattern) {
      // The pattern is opaque: blending would only read the buffer back for nothing.
      gl.disable(gl.BLEND);
      gl.activeTexture(gl.TEXTURE0);
      gl.bindTexture(gl.TEXTURE_2D, this.texture);
      gl.uniform1f(this.loc.textured, 1);
      gl.uniform4f(this.loc.color, 1, 1, 1, 1);
      gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, this.triBuffer);
      if (cols[0] === 0 && cols[1] === cx - 1) {
        gl.drawElements(gl.TRIANGLES, 6 * cx * (rows[1] - rows[0] + 1), gl.UNSIGNED_INT, 4 * 6 * cx * rows[0]);
      } else {
        // Tiny triangles cost the software renderer even where the scissor drops them.
        for (let r = rows[0]; r <= rows[1]; ++r) {
          gl.drawElements(gl.TRIANGLES, 6 * (cols[1] - cols[0] + 1), gl.UNSIGNED_INT, 4 * 6 * (r * cx + cols[0]));
        }
      }
    }
    if (this.show.real) {
      gl.enable(gl.BLEND);
      gl.blendFunc(gl.SRC_ALPHA, gl.ONE_MINUS_SRC_ALPHA);
      gl.uniform1f(this.loc.textured, 0);
      gl.uniform4f(this.loc.color, 0.45, 0.85, 1.0, this.show.pattern ? 0.3 : 0.5);
      gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, this.lineBuffer);
      const first = this.lineRowStart[rows[0]];
      gl.drawElements(gl.LINES, this.lineRowEnd[rows[1] + 1] - first, gl.UNSIGNED_INT, 4 * first);
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

  // The first and last column of cells, within the rows drawn, whose screen
  // extent meets [x0, x1] (CSS px).
  #colsMeeting(real, cx, rows, x0, x1) {
    const cols = cx + 1;
    const { scale, ox } = this.map;
    const lo = (x0 - 2 - ox) / scale;
    const hi = (x1 + 2 - ox) / scale;
    let first = cx, last = -1;
    let prevMin = 0, prevMax = 0;
    for (let c = 0; c <= cx; ++c) {
      let min = Infinity, max = -Infinity;
      for (let r = rows[0], i = 2 * (r * cols + c); r <= rows[1] + 1; ++r, i += 2 * cols) {
        if (real[i] < min) min = real[i];
        if (real[i] > max) max = real[i];
      }
      if (c > 0 && Math.min(min, prevMin) <= hi && Math.max(max, prevMax) >= lo) {
        if (c - 1 < first) first = c - 1;
        last = c - 1;
      }
      prevMin = min;
      prevMax = max;
    }
    return last < first ? [0, cx - 1] : [first, last];
  }

  // The first and last row of cells whose screen extent meets [y0, y1] (CSS px).
  #rowsMeeting(real, cx, cy, y0, y1) {
    const cols = cx + 1;
    const { scale, oy } = this.map;
    const lo = (y0 - 2 - oy) / scale;
    const hi = (y1 + 2 - oy) / scale;
    let first = cy, last = -1;
    let prevMin = 0, prevMax = 0;
    for (let r = 0; r <= cy; ++r) {
      let min = Infinity, max = -Infinity;
      for (let c = 0, i = 2 * r * cols + 1; c <= cx; ++c, i += 2) {
        if (real[i] < min) min = real[i];
        if (real[i] > max) max = real[i];
      }
      if (r > 0 && Math.min(min, prevMin) <= hi && Math.max(max, prevMax) >= lo) {
        if (r - 1 < first) first = r - 1;
        last = r - 1;
      }
      prevMin = min;
      prevMax = max;
    }
    return [first, last];
  }

  drawOverlay(state, arrays, ui) {
    const c = this.ctx;
    c.setTransform(this.dpr, 0, 0, this.dpr, 0, 0);
    c.clearRect(0, 0, this.cssWidth, this.cssHeight);
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
