// The types of <firework-player>. Importing the package defines the
// element, whose class is the global FireworkPlayer, as a built-in
// element's is; document.createElement('firework-player') and
// querySelector('firework-player') are typed through HTMLElementTagNameMap.
// React 19's JSX types are in 'firework-player/react'.

/** A burst key: up, down, left, right, away, toward, regenerate. */
export type BurstKey = 'w' | 's' | 'a' | 'd' | 'z' | 'c' | 'r';

/** Steps per animation frame: 1, every 2nd (0.5) or every 4th (0.25). */
export type FireworkSpeed = 1 | 0.5 | 0.25;

/** `burst`: a burst key the firework took, and the steps it had run then. */
export interface FireworkBurstDetail {
  key: BurstKey;
  step: number;
  /** The show typed it, rather than burst() or a key. */
  fromShow: boolean;
}

/** `error`: what went wrong, in one sentence. */
export interface FireworkErrorDetail {
  message: string;
  /**
   * True when the firework cannot run (no WebGL, WebAssembly refused or
   * failed, the program failed): the element's children show instead.
   * False for refused input, which changes nothing.
   */
  fatal: boolean;
}

export interface FireworkPlayerEventMap extends Omit<HTMLElementEventMap, 'error'> {
  /** The first frame is drawn. */
  ready: Event;
  play: Event;
  pause: Event;
  /** A seek began; a later seek sends another. */
  seeking: Event;
  /** The last seek asked for is on the canvas. */
  seeked: Event;
  /** A burst key was taken, by the show, burst() or a key. */
  burst: CustomEvent<FireworkBurstDetail>;
  /** The show started over (the loop attribute). */
  loop: Event;
  /** ESC ended the program. */
  ended: Event;
  /** The browser took the graphics back: every firework holds still. */
  webglcontextlost: Event;
  /** The graphics are back: each firework goes on from its step. */
  webglcontextrestored: Event;
  /** A show that cannot be read, a value out of range (not fatal); no WebGL, WebAssembly refused, a failure (fatal). */
  error: CustomEvent<FireworkErrorDetail>;
}

/** The element's attributes, as its properties take them. */
export interface FireworkPlayerAttributes {
  /** A show, as a page's address holds it after "show=" ("1.RA1eA"). */
  show?: string;
  autoplay?: boolean;
  /** Start over 120 steps after the show's last key, or every N steps. */
  loop?: boolean | number;
  speed?: FireworkSpeed;
  controls?: boolean;
  keys?: boolean;
  transparent?: boolean;
  sound?: boolean;
  /** The picture's accessible name; "Firework" by default. */
  label?: string;
}

declare global {
  interface FireworkPlayer extends HTMLElement {
    show: string;
    autoplay: boolean;
    loop: boolean | number;
    speed: FireworkSpeed;
    controls: boolean;
    keys: boolean;
    transparent: boolean;
    sound: boolean;
    label: string;
    /** The steps run; setting it seeks, a bad step sending an error event. */
    currentStep: number;
    paused: boolean;
    /** The show so far: its keys and every burst since, in the show format. */
    readonly recorded: string;
    /** What the program wrote on its standard output: its instructions. */
    readonly output: string;
    /** The failure that stopped the firework, as its fatal error event told it, or null. */
    readonly error: FireworkErrorDetail | null;
    play(): void;
    pause(): void;
    /** One step, while paused. */
    step(): void;
    /**
     * Step `step` (0 to 5,184,000) of the show, forwards or backwards,
     * drawn from the nearest snapshot. Rejects with a RangeError for any
     * other step, with an AbortError when a later seek, pause() or the
     * element's removal comes first, with a NotSupportedError where the
     * firework cannot run.
     */
    seek(step: number): Promise<void>;
    /** Throws a RangeError for a key that is not a burst key. */
    burst(key: BurstKey): void;
    addEventListener<K extends keyof FireworkPlayerEventMap>(type: K,
      listener: (this: FireworkPlayer, event: FireworkPlayerEventMap[K]) => unknown,
      options?: boolean | AddEventListenerOptions): void;
    addEventListener(type: string, listener: EventListenerOrEventListenerObject,
      options?: boolean | AddEventListenerOptions): void;
    removeEventListener<K extends keyof FireworkPlayerEventMap>(type: K,
      listener: (this: FireworkPlayer, event: FireworkPlayerEventMap[K]) => unknown,
      options?: boolean | EventListenerOptions): void;
    removeEventListener(type: string, listener: EventListenerOrEventListenerObject,
      options?: boolean | EventListenerOptions): void;
  }
  var FireworkPlayer: {
    prototype: FireworkPlayer;
    new (): FireworkPlayer;
    readonly observedAttributes: string[];
  };
  interface HTMLElementTagNameMap {
    'firework-player': FireworkPlayer;
  }
}
