// A bundled page's script: the package as a bundler imports it.
import 'firework-player';

const player = document.createElement('firework-player');
player.autoplay = true;
player.show = '1.RA1eA';
document.body.append(player);
