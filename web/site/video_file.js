// video_file.js: where a video goes while it renders. Loaded with video.js.
//
// In the origin's private file system (navigator.storage.getDirectory()),
// a file of its own is written as the video encodes, through a writable
// stream, so the tab's memory does not grow with the video's length. The
// finished file is handed over from there, never read into memory first.
// While a file may still be read, its tab holds a Web Lock of the file's
// name: from its opening until it is removed. A shared file is removed at
// once; a downloaded one, which gives no sign of when the browser has read
// it, when the next video starts, or by the next visit once its tab has
// closed. A cancelled or failed render removes its file at once; one that
// a closed tab left behind is removed by the next visit of a page that
// saves videos (video_button.js),
// which passes over every file whose lock is held.
//
// Where a browser offers no private file system (a page from file://, or
// a browser without writable streams into it), the video is held in the
// tab's memory, as a buffer.

const videoFiles = {
  prefix: 'firework-show-', // the private file system's videos, and only they, are named so
  kept: null, // the last download's file, {remove()}, until the next video starts
};

// Holds the Web Lock `name` until the function it resolves to is called.
const holdLock = (name) => new Promise((held) => {
  if (!navigator.locks) held(() => {});
  else navigator.locks.request(name, () => new Promise(held));
});

// A place for a video of `extension` (mp4 or webm), for the muxer:
// {streamed, target, file(), remove()}. file() resolves to the finished
// file, named firework-show.EXTENSION; remove() gives its room back.
export async function openVideoFile(extension) {
  const kept = videoFiles.kept;
  videoFiles.kept = null;
  await kept?.remove();
  const {StreamTarget, BufferTarget} = Mediabunny;
  const name = `${videoFiles.prefix}${Date.now()}.${extension}`;
  const shown = `firework-show.${extension}`;
  const type = extension === 'mp4' ? 'video/mp4' : 'video/webm';
  const folder = await navigator.storage?.getDirectory?.().catch(() => null);
  if (folder && globalThis.FileSystemFileHandle?.prototype.createWritable) {
    const release = await holdLock(name);
    // A writable just aborted may hold the file a moment longer (Chromium
    // lets it go after abort() resolves): removing is tried again, 50 ms
    // apart, for up to a second.
    const remove = async () => {
      for (let tries = 1; ; ++tries) {
        const refused = await folder.removeEntry(name).then(() => null, (error) => error);
        if (refused?.name !== 'NoModificationAllowedError' || tries === 20) break;
        await new Promise((resolve) => setTimeout(resolve, 50));
      }
      release();
    };
    let writable;
    try {
      const handle = await folder.getFileHandle(name, {create: true});
      writable = await handle.createWritable();
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
    } catch (error) {
      await writable?.abort().catch(() => {});
      await remove();
      throw error;
    }
  }
  const target = new BufferTarget();
  return {streamed: false, target, file: async () => new File([target.buffer], shown, {type}), remove: async () => {}};
}

// Hands `video` ({file, remove}) over: to the share sheet on a phone that
// takes files, else as a download, whose file is kept until the next
// video starts.
export async function handOver(video) {
  const file = await video.file().catch(async (error) => {
    await video.remove();
    throw error;
  });
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
  videoFiles.kept = {remove: () => {
    URL.revokeObjectURL(link.href);
    return video.remove();
  }};
}
