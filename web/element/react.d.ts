// <firework-player> in React 19's JSX: import type {} from 'firework-player/react'
// once, in any file. React 19 sets the element's properties from its props.
import type {FireworkPlayerAttributes, FireworkPlayerEventMap} from './firework-player.js';
import type {DetailedHTMLProps, HTMLAttributes} from 'react';

// A handler prop for each event the element sends: onready, onseeked,
// onburst, ... (lower case, as React 19 passes them on to the element).
type FireworkEvent = 'ready' | 'play' | 'pause' | 'seeking' | 'seeked' | 'burst' | 'loop' | 'ended' | 'error' |
  'webglcontextlost' | 'webglcontextrestored';
type FireworkPlayerHandlers = {[K in FireworkEvent as `on${K}`]?: (event: FireworkPlayerEventMap[K]) => void};

declare module 'react' {
  namespace JSX {
    interface IntrinsicElements {
      'firework-player': DetailedHTMLProps<HTMLAttributes<FireworkPlayer>, FireworkPlayer> &
        FireworkPlayerAttributes & FireworkPlayerHandlers;
    }
  }
}
