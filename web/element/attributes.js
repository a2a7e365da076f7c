// attributes.js: the element's attributes, each declared once, with the
// type its property takes. The element observes these, mirrors each by a
// property of the same name (the booleans by presence) and keeps what a
// framework set before it was defined; its types (firework-player.d.ts)
// and its manifest (custom-elements.json) are checked against this table.

export const attributes = {
  show: 'string', // a show, "1.RA1eA"
  autoplay: 'boolean',
  loop: 'boolean | number', // after the show's last key, or every N steps
  speed: '1 | 0.5 | 0.25',
  controls: 'boolean',
  keys: 'boolean',
  transparent: 'boolean',
  sound: 'boolean',
  label: 'string', // the picture's accessible name
};
export const booleans = Object.keys(attributes).filter((name) => attributes[name] === 'boolean');
// The properties a framework may set before the element is defined: each
// attribute's, and two that are not attributes.
export const keptProperties = [...Object.keys(attributes), 'paused', 'currentStep'];
