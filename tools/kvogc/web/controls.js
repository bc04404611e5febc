// The side panel's correction groups. Each group is one operation: its inputs
// are named by the operation's arguments ("leftUp.0" is leftUp[0]) and show
// the values the library holds (its comment record), never a value the page
// merely remembers.

function read(input) {
  return input.type === 'checkbox' ? (input.checked ? 1 : 0) : Number(input.value);
}

function pick(object, path) {
  return path.split('.').reduce((value, key) => (value == null ? value : value[key]), object);
}

export function groupStep(group) {
  const step = { op: group.dataset.op };
  for (const input of group.querySelectorAll('[data-arg]')) {
    const [name, index] = input.dataset.arg.split('.');
    const value = read(input);
    if (!Number.isFinite(value)) return null;
    if (index === undefined) step[name] = value;
    else (step[name] ??= [0, 0])[Number(index)] = value;
  }
  return step;
}

export function bindCorrections(root, { preview, commit }) {
  for (const group of root.querySelectorAll('[data-op]')) {
    group.addEventListener('input', (event) => {
      if (event.target.type === 'checkbox') return;
      const step = groupStep(group);
      if (step) preview(step, group);
    });
    group.addEventListener('change', () => {
      const step = groupStep(group);
      if (step) commit(step, group);
    });
  }
}

// `except` is the group the user is typing in: its text stays as typed until committed.
export function showCorrections(root, corrections, except = null) {
  if (!corrections) return;
  for (const group of root.querySelectorAll('[data-op]')) {
    if (group === except) continue;
    for (const input of group.querySelectorAll('[data-from]')) {
      const value = pick(corrections, input.dataset.from);
      if (value === undefined) continue;
      if (input.type === 'checkbox') input.checked = Boolean(value);
      else input.value = String(Math.round(value * 1e4) / 1e4);
    }
  }
}
