// video_file.js: where a video goes while it renders. Loaded with video.js.
//
// In the origin's private file system (navigator.storage.getDirectory()),
// a file of its own is written as the video encodes, through a writable
// stream, so the tab's memory does not grow with the video's length. The
// finished file is handed over from there, never read into memory first,
// and removed once the browser has it. A cancelled or failed render
// removes its file at once; one that a closed tab left behind is removed
// by the page's next visit (page.js).
//
// Where a browser offers no private file system (a page from file://, or
// a browser without writable streams into it), the video is held in the
// tab's memory, as a buffer.
'use strict';

const videoFiles = {
  prefix: 'firework-show-', // the private file system's videos, and only they, are named so
  // How long a downloaded file stays for the browser to read it: a
  // download gives no sign of its end.
  keepForDownload: 60000,
};

// A place for a video of `extension` (mp4 or webm), for the muxer:
// {streamed, target, file(), remove()}. file() resolves to the finished
// file, named firework-show.EXTENSION; remove() gives its room back.
async function openVideoFile(extension) {
  const {StreamTarget, BufferTarget} = Mediabunny;
  const name = `${videoFiles.prefix}${Date.now()}.${extension}`;
  const shown = `firework-show.${extension}`;
  const type = extension === 'mp4' ? 'video/mp4' : 'video/webm';
  const folder = await navigator.storage?.getDirectory?.().catch(() => null);
  if (folder && globalThis.FileSystemFileHandle?.prototype.createWritable) {
    const handle = await folder.getFileHandle(name, {create: true});
    const remove = () => folder.removeEntry(name).catch(() => {});
    const writable = await handle.createWritable().catch(async (error) => {
      await remove();
      throw error;
    });
    return {
      streamed: true,
      // Written a few megabytes at a time.
      target: new StreamTarget(writable, {chunked: true, chunkSize: 4 << 20}),
      // The file on disk under the name a visitor sees: no byte is copied.
      file: async () => new File([await handle.getFile()], shown, {type}),
      remove: async () => {
        await writable.abort().catch(() => {}); // a render that did not finish
        await remove();
      },
    };
  }
  const target = new BufferTarget();
  return {streamed: false, target, file: async () => new File([target.buffer], shown, {type}), remove: async () => {}};
}

// Hands `video` ({file, remove}) over: to the share sheet on a phone that
// takes files, else as a download; then its file goes.
async function handOver(video) {
  const file = await video.file();
  if (matchMedia('(pointer: coarse)').matches && navigator.canShare?.({files: [file]})) {
    try {
      await navigator.share({files: [file], title: document.title});
      await video.remove();
      return;
    } catch (error) {
      if (error.name === 'AbortError') {
        await video.remove();
        return;
      }
    }
  }
  const link = document.createElement('a');
  link.href = URL.createObjectURL(file);
  link.download = file.name;
  link.click();
  setTimeout(() => {
    URL.revokeObjectURL(link.href);
    video.remove();
  }, videoFiles.keepForDownload);
}
