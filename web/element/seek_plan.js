// seek_plan.js: where a seek starts. The element keeps snapshots of its
// program's state every `spacing` steps of its show (step 0 always); a seek
// to step `target` runs the particle arithmetic alone up to the step before
// it, then draws that step.

// The step of the nearest snapshot `kept` (a Map or Set by step) holds at
// or before `step`.
export function nearestSnapshot(kept, spacing, step) {
  let at = step - (step % spacing);
  while (!kept.has(at)) at -= spacing;
  return at;
}

// The snapshot a seek to `target` restores, or null where it runs on from
// the program's own state: that state is at `steps`, between the nearest
// snapshot and the step before the target, and still the show's own
// (`offShow`: a key the show did not type has acted since).
export function seekFrom(kept, spacing, {steps, target, offShow}) {
  const goal = Math.max(0, target - 1);
  const nearest = nearestSnapshot(kept, spacing, goal);
  return offShow || steps > goal || steps < nearest ? nearest : null;
}
