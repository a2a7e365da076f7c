// view_watch.js: whether each element is in view, from one
// IntersectionObserver for the page.

const seen = new WeakMap(); // element: (inView) => void
let viewWatcher = null;
export const watchView = (element, report) => {
  viewWatcher ??= new IntersectionObserver((entries) => {
    for (const entry of entries) seen.get(entry.target)?.(entry.isIntersecting);
  });
  seen.set(element, report);
  viewWatcher.observe(element);
};
export const unwatchView = (element) => {
  viewWatcher.unobserve(element);
  seen.delete(element);
};
