// close.js: the end of firework-player.js, closing the function open.js
// opens.
})();
