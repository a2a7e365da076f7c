// The element's attributes, whose types and manifest say what its one table
// declares, and where a seek starts.
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import {attributes} from '../../../web/element/attributes.js';
import {seekFrom} from '../../../web/element/seek_plan.js';

const element = new URL('../../../web/element/', import.meta.url);

test('the types and the manifest declare the attributes of the table', () => {
  const manifest = JSON.parse(fs.readFileSync(new URL('custom-elements.json', element)));
  const declared = manifest.modules[0].declarations[0];
  assert.deepEqual(declared.attributes.map(({name, type}) => [name, type.text]), Object.entries(attributes));
  assert.deepEqual(declared.members.filter((member) => member.attribute).map((member) => member.name),
    Object.keys(attributes));
  const types = fs.readFileSync(new URL('firework-player.d.ts', element), 'utf8');
  const block = /interface FireworkPlayerAttributes \{([^}]*)\}/.exec(types)[1];
  const speed = /type FireworkSpeed = ([^;]*);/.exec(types)[1];
  const typed = [...block.matchAll(/^\s*(\w+)\?: ([^;]*);/gm)].map(([, name, type]) =>
    [name, type === 'FireworkSpeed' ? speed : type]);
  assert.deepEqual(typed, Object.entries(attributes));
});

test('a seek runs from the nearest snapshot before it, or on from where the program is', () => {
  const kept = new Set([0, 600, 1200]);
  const from = (steps, target, offShow = false) => seekFrom(kept, 600, {steps, target, offShow});
  assert.deepEqual([from(0, 1), from(0, 700), from(650, 700), from(650, 1300), from(1250, 700), from(650, 700, true),
    from(0, 2500)], [null, 600, null, 1200, 600, 600, 1200]);
});
