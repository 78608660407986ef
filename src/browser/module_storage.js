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
// As the page goes it may not live for the round trip syncStorage() makes to learn what the
// storage holds first: everything the home holds is written in one transaction, issued before
// this returns. Files are only ever added or replaced there, so nothing needs deleting.
Module['saveStorageNow'] = function () {
  var db = IDBFS.dbs['/home/web'];
  if (!db) {
    return false;
  }
  var saved = false;
  IDBFS.getLocalSet(FS.lookupPath('/home/web').node.mount, function (error, local) {
    if (error) {
      return;
    }
    var transaction = db.transaction([IDBFS.DB_STORE_NAME], 'readwrite');
    var store = transaction.objectStore(IDBFS.DB_STORE_NAME);
    Object.keys(local.entries).forEach(function (path) {
      IDBFS.loadLocalEntry(path, function (entryError, entry) {
        if (!entryError) {
          IDBFS.storeRemoteEntry(store, path, entry, function () {});
        }
      });
    });
    if (transaction.commit) {
      transaction.commit();
    }
    saved = true;
  });
  return saved;
};
