// Talking to `kvogc edit`: steps go out spelt as a scenario spells them, the
// state comes back as a JSON header followed by float32 arrays.

export class ApiError extends Error {
  constructor(message, httpStatus, body) {
    super(message);
    this.httpStatus = httpStatus;
    this.body = body ?? {};
  }
}

export function decodeState(buffer) {
  const view = new DataView(buffer);
  const length = view.getUint32(0, true);
  const header = JSON.parse(new TextDecoder().decode(new Uint8Array(buffer, 4, length)));
  let offset = (4 + length + 3) & ~3;
  const arrays = {};
  for (const [name, count] of header.arrays) {
    arrays[name] = new Float32Array(buffer, offset, count);
    offset += count * 4;
  }
  return { header, arrays };
}

// The page's copy of the real grid and the number of the answer it came with:
// a preview answer may carry only the block of nodes that changed since that one.
const held = { token: 0, real: null };

function holdReal({ header, arrays }) {
  if (header.realRows) {
    const [row, rows] = header.realRows;
    const [col, cols] = header.realCols;
    const rowValues = 2 * (header.state.realGridNum[0] + 1);
    if (header.realBase !== held.token || !held.real || (row + rows) * rowValues > held.real.length
      || 2 * (col + cols) > rowValues || arrays.real.length !== 2 * rows * cols) {
      throw new ApiError('the server sent a change to a real grid the page does not hold', 0);
    }
    for (let r = 0; r < rows; ++r) {
      held.real.set(arrays.real.subarray(2 * r * cols, 2 * (r + 1) * cols), (row + r) * rowValues + 2 * col);
    }
  } else {
    held.real = arrays.real.slice();
  }
  held.token = header.realToken ?? 0;
  arrays.real = held.real;
}

async function answer(response) {
  const type = response.headers.get('Content-Type') ?? '';
  if (type.startsWith('application/octet-stream')) {
    const result = decodeState(await response.arrayBuffer());
    holdReal(result);
    result.serverMs = Number(/dur=([\d.]+)/.exec(response.headers.get('Server-Timing') ?? '')?.[1] ?? NaN);
    return result;
  }
  const text = await response.text();
  let body = {};
  try { body = JSON.parse(text); } catch { body = { error: text || response.statusText }; }
  if (!response.ok) throw new ApiError(body.error ?? `HTTP ${response.status}`, response.status, body);
  return body;
}

// One request at a time, in order: an answer that changes the held grid never
// overtakes another.
let queue = Promise.resolve();
function inTurn(send) {
  const turn = queue.then(send, send);
  queue = turn.catch(() => {});
  return turn;
}

export function getState() {
  return inTurn(async () => answer(await fetch('/api/state', { cache: 'no-store' })));
}

export function post(path, body = '') {
  const text = typeof body === 'string' ? body : JSON.stringify(body);
  return inTurn(async () => answer(await fetch(typeof path === 'function' ? path() : path,
    { method: 'POST', body: text, cache: 'no-store' })));
}

// The base is read when the request leaves, after the answers before it.
export const step = (op, preview = false) =>
  post(preview ? () => `/api/op?preview=1&base=${held.token}` : '/api/op', op);

// Sends the newest wish only: what arrives while a request is out replaces the
// waiting one, so a fast pointer never builds a backlog. `send` may return a
// function that finishes the step (draws its answer): the next wish leaves
// before that runs, so the server works while the page draws.
export class Coalescer {
  constructor(send) {
    this.send = send;
    this.busy = null;
    this.waiting = null;
  }

  push(item) {
    if (this.waiting) {
      item.since = Math.min(item.since ?? Infinity, this.waiting.since ?? Infinity);
      item.eventTime = Math.min(item.eventTime ?? Infinity, this.waiting.eventTime ?? Infinity);
    }
    this.waiting = item;
    if (!this.busy) this.busy = this.#drain();
    return this.busy;
  }

  async idle() {
    while (this.busy) await this.busy;
  }

  #take() {
    const item = this.waiting;
    this.waiting = null;
    return item ? this.send(item) : null;
  }

  async #drain() {
    try {
      let out = this.#take();
      while (out) {
        const finish = await out;
        out = this.#take();
        finish?.();
      }
    } finally {
      this.busy = null;
    }
  }
}
