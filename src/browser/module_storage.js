// The module's home, where it keeps the preferences, lives in the browser's own storage
// (IndexedDB): read in once before the session starts, written back after the session says it
// may have written something there.
Module['mountStorage'] = function () {
  return new Promise(function (resolve) {
    try {
      FS.mkdirTree('/home/web');
      FS.mount(IDBFS, {}, '/home/web');
    } catch (e) {
      resolve(false);
      return;
    }
    FS.syncfs(true, function (error) { resolve(!error); });
  });
};
Module['syncStorage'] = function () {
  return new Promise(function (resolve) {
    FS.syncfs(false, function (error) { resolve(!error); });
  });
};
