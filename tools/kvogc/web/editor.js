// The editor page: pointer and keyboard editing, undo and redo, the side
// panel and the saves. Every change goes to the server as a scenario step; a
// drag sends previews while it moves and one exact step when it ends.
import { ApiError, Coalescer, getState, post, step } from './api.js';
import { bindCorrections, showCorrections } from './controls.js';
import { WarpView, drawTestPattern, lineSamples } from './view.js';

const $ = (id) => document.getElementById(id);
const stage = $('stage');
const view = new WarpView($('view'));
const ui = { selection: new Set(), hover: null, band: null, line: null, handles: null, flash: new Map() };
// Drag steps in ms: from the pointer event's own time stamp (the oldest event a
// step answers) to the drawn frame, and to the start of the next animation
// frame (when the browser takes the drawing); and their parts.
const stats = { dragSteps: [], dragStepsToFrame: [], dragParts: [] };
let current = null;
let lastNode = null;
let drag = null;
let editingGroup = null;
let patternLabel = '';

// ---- state and drawing -------------------------------------------------------

const state = () => current.header.state;
const arrays = () => current.arrays;

function node(row, col) {
  const [cx] = state().opeGridNum;
  const i = 2 * (row * (cx + 1) + col);
  return [arrays().opeNodes[i], arrays().opeNodes[i + 1]];
}

function draw() {
  if (!current) return;
  ui.handles = ui.line ? lineHandles(ui.line) : null;
  view.draw(state(), arrays(), ui);
}

function offScreen() {
  const real = arrays().real;
  for (let i = 0; i < real.length; i += 2) {
    const [x, y] = view.toScreen(real[i], real[i + 1]);
    if (x < 0 || y < 0 || x > view.cssWidth || y > view.cssHeight) return true;
  }
  return false;
}

function show(result, { refit = false, preview = false } = {}) {
  const first = !current;
  const sizeChanged = current && String(state().opeGridNum) !== String(result.header.state.opeGridNum);
  current = result;
  const st = state();
  if (st.history) lastHistory = st.history;
  if (first || sizeChanged) {
    ui.selection.clear();
    ui.line = null;
  }
  if (first || refit || (!preview && offScreen())) view.fit(st, arrays().real);
  const label = `${st.panelSize[0]} × ${st.panelSize[1]}`;
  if (label !== patternLabel && !view.customPattern) {
    patternLabel = label;
    view.setPattern(drawTestPattern(st.panelSize[0], st.panelSize[1], label));
  }
  if (result.header.limits?.some(Boolean)) flashLimited();
  draw();
  if (!preview) showPanel();
  else if (editingGroup) showCorrections(document, st.corrections, editingGroup);
}

function flashLimited() {
  const until = performance.now() + 900;
  const keys = drag?.nodes ?? (ui.selection.size ? [...ui.selection] : lastNode ? [lastNode] : []);
  for (const key of keys) ui.flash.set(key, until);
  const tick = () => {
    draw();
    if (performance.now() < until) requestAnimationFrame(tick);
    else ui.flash.clear();
  };
  requestAnimationFrame(tick);
}

function showPanel() {
  const st = state();
  const facts = [
    ['Panel', `${st.panelSize[0]} × ${st.panelSize[1]} px`],
    ['Margin', `${st.margin[0]} / ${st.margin[1]} px`],
    ['Real grid', `${st.realGridNum[0]} × ${st.realGridNum[1]}`],
    ['Operation grid', `${st.opeGridNum[0]} × ${st.opeGridNum[1]}`],
    ['Display grid', `${st.dispGridNum[0]} × ${st.dispGridNum[1]}`],
    ['Edits', `${st.position} of ${st.count}`],
    ['State digest', st.digest],
  ];
  $('facts').replaceChildren(...facts.flatMap(([k, v]) => {
    const dt = document.createElement('dt');
    dt.textContent = k;
    const dd = document.createElement('dd');
    dd.textContent = v;
    return [dt, dd];
  }));
  for (const [id, value] of [['ope-cx', st.opeGridNum[0]], ['ope-cy', st.opeGridNum[1]],
    ['disp-cx', st.dispGridNum[0]], ['disp-cy', st.dispGridNum[1]]]) {
    if (document.activeElement !== $(id)) $(id).value = value;
  }
  $('keystone-mode').value = st.corrections?.keystoneScreen ? '1' : '0';
  showCorrections(document, st.corrections);
  $('undo').disabled = st.position === 0;
  $('redo').disabled = st.position === st.count;
  if (st.history) {
    $('history').replaceChildren(...st.history.map((entry, i) => {
      const li = document.createElement('li');
      const { op, ...args } = entry;
      li.textContent = `${op} ${Object.entries(args).map(([k, v]) => `${k}=${JSON.stringify(v)}`).join(' ')}`;
      li.title = JSON.stringify(entry);
      if (i >= st.position) li.className = 'undone';
      else if (i === st.position - 1) li.className = 'current';
      return li;
    }));
    $('history-count').textContent = `(${st.position}/${st.count})`;
    $('history').scrollTop = $('history').scrollHeight;
  }
  const line = ui.line;
  $('line-name').textContent = line ? `Selected line: ${line.vertical ? 'vertical' : 'horizontal'} (${line.row}, ${line.col})` : 'Selected line: none';
  $('line-on').disabled = $('line-off').disabled = !line;
}

function status(name, statusName, ms, bad = false) {
  const el = $('status');
  el.replaceChildren();
  const b = document.createElement('span');
  b.className = bad ? 'bad' : 'ok';
  b.textContent = statusName;
  el.append(`${name} · `, b, ms == null ? '' : ` · ${ms.toFixed(1)} ms`);
}

let toastTimer = 0;
function toast(message, bad = false) {
  document.querySelector('.toast')?.remove();
  const el = document.createElement('div');
  el.className = bad ? 'toast bad' : 'toast';
  el.textContent = message;
  document.body.append(el);
  clearTimeout(toastTimer);
  toastTimer = setTimeout(() => el.remove(), bad ? 6000 : 3500);
}

function failed(error, what) {
  if (error instanceof ApiError) {
    status(what, error.body.statusName ?? `HTTP ${error.httpStatus}`, null, true);
    toast(error.message, true);
  } else {
    toast(`${what}: ${error.message}`, true);
  }
}

async function run(op, { preview = false, refit = false } = {}) {
  const t0 = performance.now();
  try {
    const result = await step(op, preview);
    show(result, { preview, refit });
    status(op.op, result.header.statusName, performance.now() - t0);
    return result;
  } catch (error) {
    failed(error, op.op);
    return null;
  }
}

async function request(path, what, options = {}) {
  try {
    const result = await post(path);
    if (result.header) {
      show(result, options);
      if (result.header.changed === false) toast(result.header.message);
      status(what, result.header.statusName);
    }
    return result;
  } catch (error) {
    failed(error, what);
    return null;
  }
}

// ---- hit testing ------------------------------------------------------------------

function pointer(event) {
  const rect = stage.getBoundingClientRect();
  return [event.clientX - rect.left, event.clientY - rect.top];
}

function distanceToSegment(p, a, b) {
  const dx = b[0] - a[0];
  const dy = b[1] - a[1];
  const length = dx * dx + dy * dy;
  const t = length ? Math.max(0, Math.min(1, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / length)) : 0;
  return Math.hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy);
}

function inQuad(p, quad) {
  let inside = false;
  for (let i = 0, j = quad.length - 1; i < quad.length; j = i++) {
    const [xi, yi] = quad[i];
    const [xj, yj] = quad[j];
    if ((yi > p[1]) !== (yj > p[1]) && p[0] < ((xj - xi) * (p[1] - yi)) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}

function hit(p) {
  const st = state();
  const [cx, cy] = st.opeGridNum;
  const screen = (x, y) => view.toScreen(x, y);
  for (const h of ui.handles ?? []) {
    const s = screen(...h.at);
    if (Math.hypot(p[0] - s[0], p[1] - s[1]) < 9) return { kind: 'handle', handle: h };
  }
  let best = null;
  for (let r = 0; r <= cy; ++r) {
    for (let c = 0; c <= cx; ++c) {
      const s = screen(...node(r, c));
      const d = Math.hypot(p[0] - s[0], p[1] - s[1]);
      if (d < 11 && (!best || d < best.d)) best = { kind: 'node', row: r, col: c, d };
    }
  }
  if (best) return best;
  for (const vertical of [0, 1]) {
    for (let r = 0; r <= cy - vertical; ++r) {
      for (let c = 0; c <= cx - (1 - vertical); ++c) {
        const samples = lineSamples(st, arrays(), { vertical, row: r, col: c }).map(([x, y]) => screen(x, y));
        for (let k = 1; k < samples.length; ++k) {
          const d = distanceToSegment(p, samples[k - 1], samples[k]);
          if (d < 6 && (!best || d < best.d)) best = { kind: 'line', vertical, row: r, col: c, d };
        }
      }
    }
  }
  if (best) return best;
  for (let r = 0; r < cy; ++r) {
    for (let c = 0; c < cx; ++c) {
      const quad = [node(r, c), node(r, c + 1), node(r + 1, c + 1), node(r + 1, c)].map(([x, y]) => screen(x, y));
      if (inQuad(p, quad)) return { kind: 'cell', row: r, col: c };
    }
  }
  return { kind: 'empty' };
}

// ---- selection, moves and curve handles -------------------------------------------

function selectionBlock() {
  if (ui.selection.size === 0) return null;
  const cells = [...ui.selection].map((key) => key.split(',').map(Number));
  const rows = cells.map(([r]) => r);
  const cols = cells.map(([, c]) => c);
  return { r0: Math.min(...rows), r1: Math.max(...rows), c0: Math.min(...cols), c1: Math.max(...cols) };
}

function selectBlock(r0, r1, c0, c1) {
  ui.selection.clear();
  for (let r = r0; r <= r1; ++r) for (let c = c0; c <= c1; ++c) ui.selection.add(`${r},${c}`);
}

// The step that moves the selected block: a point, a run along a row or a column, or a block.
function blockMove({ r0, r1, c0, c1 }) {
  if (r0 === r1 && c0 === c1) return (dx, dy) => ({ op: 'MovePoint', row: r0, col: c0, dx, dy });
  if (r0 === r1) return (dx, dy) => ({ op: 'MoveLineHorMulti', row: r0, colFirst: c0, colLast: c1, dx, dy });
  if (c0 === c1) return (dx, dy) => ({ op: 'MoveLineVerMulti', rowFirst: r0, rowLast: r1, col: c0, dx, dy });
  return (dx, dy) => ({ op: 'MoveAreaMulti', rowFirst: r0, rowLast: r1, colFirst: c0, colLast: c1, dx, dy });
}

function blockNodes({ r0, r1, c0, c1 }) {
  const keys = [];
  for (let r = r0; r <= r1; ++r) for (let c = c0; c <= c1; ++c) keys.push(`${r},${c}`);
  return keys;
}

// Curve handles the library does not report: the page knows the ones this
// session set (its history); others start a third along the chord.
function lineHandles(line) {
  const { vertical, row, col } = line;
  const a = node(row, col);
  const b = vertical ? node(row + 1, col) : node(row, col + 1);
  let start = [(b[0] - a[0]) / 3, (b[1] - a[1]) / 3];
  let end = [(a[0] - b[0]) / 3, (a[1] - b[1]) / 3];
  const history = state().history ?? lastHistory;
  for (const entry of history.slice(0, state().position)) {
    if (entry.op === 'SetSmoothLine' && entry.row === row && entry.col === col && entry.vertical === vertical) {
      start = [entry.startHandleX, entry.startHandleY];
      end = [entry.endHandleX, entry.endHandleY];
    }
  }
  return [
    { which: 'start', anchor: a, at: [a[0] + start[0], a[1] + start[1]], start, end },
    { which: 'end', anchor: b, at: [b[0] + end[0], b[1] + end[1]], start, end },
  ];
}
let lastHistory = [];

function dragFor(target) {
  const { kind, row, col } = target;
  if (kind === 'handle') {
    const { which, start, end } = target.handle;
    const line = ui.line;
    return {
      absolute: true,
      build: (dx, dy) => ({
        op: 'SetSmoothLine', col: line.col, row: line.row, vertical: line.vertical,
        startHandleX: start[0] + (which === 'start' ? dx : 0), startHandleY: start[1] + (which === 'start' ? dy : 0),
        endHandleX: end[0] + (which === 'end' ? dx : 0), endHandleY: end[1] + (which === 'end' ? dy : 0),
      }),
    };
  }
  if (kind === 'node') {
    const key = `${row},${col}`;
    lastNode = key;
    if (ui.selection.has(key) && ui.selection.size > 1) {
      const block = selectionBlock();
      return { build: blockMove(block), nodes: blockNodes(block) };
    }
    ui.selection.clear();
    return { build: (dx, dy) => ({ op: 'MovePoint', row, col, dx, dy }), nodes: [key] };
  }
  if (kind === 'line') {
    const { vertical } = target;
    ui.line = { vertical, row, col };
    const op = vertical ? 'MoveLineVer' : 'MoveLineHor';
    return { build: (dx, dy) => ({ op, row, col, dx, dy }), line: true };
  }
  if (kind === 'cell') return { build: (dx, dy) => ({ op: 'MoveArea', row, col, dx, dy }) };
  return null;
}

// A drag step: the change since the last applied preview, or the whole value
// for setters. The answer is drawn by the function it returns.
const previews = new Coalescer(async ({ total, since, eventTime }) => {
  if (!drag) return null;
  const inc = drag.absolute ? total : [total[0] - drag.applied[0], total[1] - drag.applied[1]];
  if (!drag.absolute && inc[0] === 0 && inc[1] === 0) return null;
  try {
    const sent = performance.now();
    const result = await step(drag.build(inc[0], inc[1]), true);
    const answered = performance.now();
    drag.applied = total;
    drag.previewed = true;
    return () => {
      const drawing = performance.now();
      show(result, { preview: true });
      view.finish();
      const end = performance.now();
      stats.dragSteps.push(end - eventTime);
      requestAnimationFrame(() => stats.dragStepsToFrame.push(performance.now() - eventTime));
      stats.dragParts.push({
        input: since - eventTime, waited: sent - since, answer: answered - sent, server: result.serverMs, draw: end - drawing,
      });
    };
  } catch (error) {
    failed(error, 'drag');
    drag.failed = true;
    return null;
  }
});

async function endDrag(event) {
  const finished = drag;
  if (!finished) return;
  await previews.idle();
  drag = null;
  stage.classList.remove('dragging');
  const [px, py] = view.toPanel(...pointer(event));
  const total = [px - finished.start[0], py - finished.start[1]];
  const moved = Math.hypot(total[0] * view.map.scale, total[1] * view.map.scale) >= 1 && !finished.failed;
  if (!moved) {
    if (finished.previewed) await request('/api/cancel', 'cancel');
    if (finished.line) showPanel();
    draw();
    return;
  }
  drag = finished;  // for the flash of limited nodes
  await run(finished.build(total[0], total[1]));
  drag = null;
}

// ---- pointer and keyboard ----------------------------------------------------------

stage.addEventListener('pointerdown', (event) => {
  if (!current || event.button !== 0) return;
  stage.focus();
  const p = pointer(event);
  const target = hit(p);
  if (event.shiftKey || target.kind === 'empty') {
    ui.band = { x0: p[0], y0: p[1], x1: p[0], y1: p[1] };
    if (target.kind === 'empty' && !event.shiftKey) ui.line = null;
  } else {
    if (target.kind !== 'handle' && target.kind !== 'line') ui.line = null;
    const d = dragFor(target);
    if (!d) return;
    drag = { ...d, start: view.toPanel(...p), applied: [0, 0], previewed: false };
    stage.classList.add('dragging');
  }
  stage.setPointerCapture(event.pointerId);
  draw();
});

function dragMove(event, p) {
  const [px, py] = view.toPanel(...p);
  previews.push({ total: [px - drag.start[0], py - drag.start[1]], since: performance.now(), eventTime: event.timeStamp });
}

// A drag follows the raw pointer updates where the browser has them: they come
// as the input does, not with the next frame, so a step's request need not
// wait for the frame's work.
const rawMoves = 'onpointerrawupdate' in window;
if (rawMoves) {
  stage.addEventListener('pointerrawupdate', (event) => {
    if (current && drag && !ui.band) dragMove(event, pointer(event));
  });
}

stage.addEventListener('pointermove', (event) => {
  if (!current) return;
  const p = pointer(event);
  if (ui.band) {
    ui.band.x1 = p[0];
    ui.band.y1 = p[1];
    draw();
    return;
  }
  if (drag) {
    if (!rawMoves) dragMove(event, p);
    return;
  }
  const target = hit(p);
  const hover = target.kind === 'node' ? `${target.row},${target.col}` : null;
  stage.style.cursor = target.kind === 'empty' ? 'crosshair' : 'grab';
  if (hover !== ui.hover) {
    ui.hover = hover;
    draw();
  }
  const [x, y] = view.toPanel(...p);
  $('readout').textContent = `x ${x.toFixed(1)}  y ${y.toFixed(1)}`;
});

function finishBand() {
  const { x0, y0, x1, y1 } = ui.band;
  ui.band = null;
  const [cx, cy] = state().opeGridNum;
  const inside = [];
  for (let r = 0; r <= cy; ++r) {
    for (let c = 0; c <= cx; ++c) {
      const [sx, sy] = view.toScreen(...node(r, c));
      if (sx >= Math.min(x0, x1) && sx <= Math.max(x0, x1) && sy >= Math.min(y0, y1) && sy <= Math.max(y0, y1)) inside.push([r, c]);
    }
  }
  if (inside.length === 0) {
    ui.selection.clear();
  } else {
    const rows = inside.map(([r]) => r);
    const cols = inside.map(([, c]) => c);
    selectBlock(Math.min(...rows), Math.max(...rows), Math.min(...cols), Math.max(...cols));
  }
  draw();
}

stage.addEventListener('pointerup', (event) => {
  if (ui.band) finishBand();
  else endDrag(event);
});
stage.addEventListener('pointercancel', (event) => {
  ui.band = null;
  endDrag(event);
});

function nudge(dx, dy) {
  const block = selectionBlock() ?? (lastNode ? (([r, c]) => ({ r0: r, r1: r, c0: c, c1: c }))(lastNode.split(',').map(Number)) : null);
  if (!block) {
    toast('Select a node or a block first');
    return;
  }
  run(blockMove(block)(dx, dy));
}

window.addEventListener('keydown', (event) => {
  const typing = event.target instanceof HTMLInputElement || event.target instanceof HTMLSelectElement;
  const mod = event.ctrlKey || event.metaKey;
  if (mod && event.key.toLowerCase() === 'z' && !typing) {
    event.preventDefault();
    request(event.shiftKey ? '/api/redo' : '/api/undo', event.shiftKey ? 'Redo' : 'Undo');
    return;
  }
  if (mod && event.key.toLowerCase() === 'y' && !typing) {
    event.preventDefault();
    request('/api/redo', 'Redo');
    return;
  }
  const arrows = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
  if (arrows[event.key] && !typing && current) {
    event.preventDefault();
    const step = event.shiftKey ? 10 : event.altKey ? 0.1 : 1;
    nudge(arrows[event.key][0] * step, arrows[event.key][1] * step);
  }
  if (event.key === 'Escape') {
    ui.selection.clear();
    ui.line = null;
    showPanel();
    draw();
  }
});

// ---- side panel and bar -------------------------------------------------------------

const controlPreviews = new Coalescer(async ({ op, group }) => {
  editingGroup = group;
  await run(op, { preview: true });
});

bindCorrections(document, {
  preview: (op, group) => controlPreviews.push({ op, group }),
  commit: async (op) => {
    await controlPreviews.idle();
    editingGroup = null;
    await run(op);
  },
});

$('keystone-mode').addEventListener('change', (e) => run({ op: 'SetKeyStoneMode', mode: Number(e.target.value) }));
$('ope-apply').addEventListener('click', () => run({ op: 'SetOpeGridNum', opeGridNum: [Number($('ope-cx').value), Number($('ope-cy').value)] }, { refit: true }));
$('disp-apply').addEventListener('click', () => run({ op: 'SetDispGridNum', dispGridNum: [Number($('disp-cx').value), Number($('disp-cy').value)] }));
$('flip-h').addEventListener('click', () => run({ op: 'FlipH', withOpeGrid: $('flip-ope').checked ? 1 : 0 }));
$('flip-v').addEventListener('click', () => run({ op: 'FlipV', withOpeGrid: $('flip-ope').checked ? 1 : 0 }));
$('smooth-on').addEventListener('click', () => run({ op: 'SetSmoothModeOnOff', on: 1 }));
$('smooth-off').addEventListener('click', () => run({ op: 'SetSmoothModeOnOff', on: 0 }));
for (const [id, on] of [['line-on', 1], ['line-off', 0]]) {
  $(id).addEventListener('click', () => {
    const line = ui.line;
    if (line) run({ op: 'SetLineSmoothOnOff', col: line.col, row: line.row, vertical: line.vertical, on });
  });
}
$('undo').addEventListener('click', () => request('/api/undo', 'Undo'));
$('redo').addEventListener('click', () => request('/api/redo', 'Redo'));

async function save(path, what) {
  try {
    const result = await post(path);
    toast(`${what}: ${result.saved.join(', ')}`);
    status(what, 'KVOGC_OK');
  } catch (error) {
    failed(error, what);
  }
}
$('save-session').addEventListener('click', () => save('/api/save-session', 'Saved session'));
$('save-warp').addEventListener('click', () => save('/api/save-warp', 'Saved warp'));

async function openGeometry(file) {
  if (file.size > 1 << 20) {
    toast(`${file.name} is larger than 1 MiB`, true);
    return;
  }
  try {
    const result = await post('/api/open', await file.text());
    show(result, { refit: true });
    toast(`Opened ${file.name}`);
  } catch (error) {
    failed(error, 'Open');
  }
}
$('open').addEventListener('click', () => $('open-file').click());
$('open-file').addEventListener('change', (e) => {
  if (e.target.files[0]) openGeometry(e.target.files[0]);
  e.target.value = '';
});

for (const [id, key] of [['show-pattern', 'pattern'], ['show-real', 'real'], ['show-disp', 'disp']]) {
  $(id).addEventListener('change', (e) => {
    view.show[key] = e.target.checked;
    draw();
  });
}

// An image dropped on the view becomes the test pattern; a geometry file is opened.
stage.addEventListener('dragover', (e) => {
  e.preventDefault();
  stage.classList.add('drop');
});
stage.addEventListener('dragleave', () => stage.classList.remove('drop'));
stage.addEventListener('drop', async (e) => {
  e.preventDefault();
  stage.classList.remove('drop');
  const file = e.dataTransfer.files[0];
  if (!file) return;
  if (file.type.startsWith('image/')) {
    view.setPattern(await createImageBitmap(file));
    view.customPattern = true;
    draw();
  } else {
    openGeometry(file);
  }
});

function layout() {
  view.resize();
  if (current) {
    view.fit(state(), arrays().real);
    draw();
  }
}
new ResizeObserver(layout).observe(stage);
window.addEventListener('resize', layout);

// For the browser test and the curious: the state, the drag figures and where nodes sit on screen.
window.kvogcEditor = {
  stats,
  get state() { return current?.header.state; },
  nodeOnPage(row, col) {
    const rect = stage.getBoundingClientRect();
    const [x, y] = view.toScreen(...node(row, col));
    return [rect.left + x, rect.top + y];
  },
  lineOnPage(vertical, row, col) {
    const samples = lineSamples(state(), arrays(), { vertical, row, col });
    const [x, y] = samples[Math.floor(samples.length / 2)];
    const rect = stage.getBoundingClientRect();
    const [sx, sy] = view.toScreen(x, y);
    return [rect.left + sx, rect.top + sy];
  },
  get scale() { return view.map.scale; },
  view,
  draw,
  ready: (async () => {
    view.resize();
    show(await getState(), { refit: true });
    view.warmUp(state(), arrays());
    lastHistory = state().history ?? [];
    return true;
  })(),
};
