// The element in React 19's JSX, checked with tsc --strict.
import 'firework-player';
import type {} from 'firework-player/react';

export const Show = ({onBurst}: {onBurst: (key: string) => void}) => (
  <firework-player show="1.RA1eA" autoplay loop={600} speed={0.5} label="A firework"
    onburst={(event) => onBurst(event.detail.key)} style={{width: '100%'}} />
);
