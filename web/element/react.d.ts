// <firework-player> in React 19's JSX: import type {} from 'firework-player/react'
// once, in any file. React 19 sets the element's properties from its props.
import type {FireworkBurstDetail, FireworkErrorDetail, FireworkPlayerAttributes} from './firework-player.js';
import type {DetailedHTMLProps, HTMLAttributes} from 'react';

declare module 'react' {
  namespace JSX {
    interface IntrinsicElements {
      'firework-player': DetailedHTMLProps<HTMLAttributes<FireworkPlayer>, FireworkPlayer> &
        FireworkPlayerAttributes & {
          onready?: (event: Event) => void;
          onburst?: (event: CustomEvent<FireworkBurstDetail>) => void;
          onloop?: (event: Event) => void;
          onerror?: (event: CustomEvent<FireworkErrorDetail>) => void;
        };
    }
  }
}
