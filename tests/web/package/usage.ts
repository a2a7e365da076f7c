// The package's types as a TypeScript page uses them, checked with tsc --strict.
import 'firework-player';
import type {BurstKey, FireworkBurstDetail} from 'firework-player';

const player = document.createElement('firework-player');
player.show = '1.RA1eA';
player.loop = 600;
player.speed = 0.5;
player.autoplay = player.controls = player.keys = player.transparent = player.sound = true;
player.label = 'A firework';
const key: BurstKey = 'r';
player.burst(key);
player.addEventListener('burst', (event) => {
  const detail: FireworkBurstDetail = event.detail;
  console.log(detail.key, detail.step, player.recorded);
});
player.addEventListener('error', (event) => console.log(event.detail.message));
void player.seek(120).then(() => player.currentStep + 1);
const found: FireworkPlayer | null = document.querySelector('firework-player');
console.log(found instanceof FireworkPlayer, FireworkPlayer.observedAttributes.length);
// @ts-expect-error: not a burst key
player.burst('x');
// @ts-expect-error: not a speed
player.speed = 3;
