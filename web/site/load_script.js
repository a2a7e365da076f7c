// load_script.js: a classic script beside the page, loaded when it is first
// needed (the muxer, the video's code, the beat detector).

export const loadScript = (src) => new Promise((resolve, reject) => {
  const script = document.createElement('script');
  script.src = src;
  script.onload = resolve;
  script.onerror = () => reject(new Error(`${src} is missing beside this page`));
  document.head.appendChild(script);
});
