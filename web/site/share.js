// share.js: a show handed on: the address to the share sheet or the
// clipboard, and a part of a line selected to be copied by hand.

// Selects `part` of the text of `element` (one text node), so that it
// can be copied at once.
export function selectPart(element, part) {
  const range = document.createRange();
  const at = element.firstChild.textContent.indexOf(part);
  range.setStart(element.firstChild, at);
  range.setEnd(element.firstChild, at + part.length);
  getSelection().removeAllRanges();
  getSelection().addRange(range);
}

// The Share button: the browser's own share sheet where there is one
// (phones), else the clipboard, else `address` shown to be copied by hand;
// `note(text, selected)` tells which.
export async function shareAddress(address, note) {
  if (navigator.share) {
    try {
      await navigator.share({title: document.title, url: address});
      return;
    } catch (error) {
      if (error.name === 'AbortError') return; // the visitor closed the share sheet
    }
  }
  try {
    await navigator.clipboard.writeText(address);
    note('The address of this show is copied to the clipboard.');
  } catch (error) {
    note(`Copy the address of this show: ${address}`, address);
  }
}
