// key_rules.js: whose a key is. The element, its GLUT layer (as the
// program's Module.keyRules) and the site ask these two rules and no
// others, so that a key means the same wherever it is typed.
//
// A key typed with Ctrl, Alt or Meta is a shortcut, the browser's or the
// page's. A key typed on a control is the control's own where the control
// uses it: every key on a list, a text field or editable text (a letter
// typed on a list picks an entry), Enter and Space on a button, a link or
// a summary. Neither reaches the firework.
export const keyRules = {
  modified: (event) => event.ctrlKey || event.altKey || event.metaKey,
  // Inside a shadow root too: the element typed on is the first of the
  // event's path.
  ownedByControl(event) {
    const target = event.composedPath()[0];
    if (!(target instanceof Element)) return false;
    if (target.isContentEditable || target.closest('input, select, textarea')) return true;
    return (event.key === 'Enter' || event.key === ' ') && target.closest('button, a[href], summary') !== null;
  },
};
