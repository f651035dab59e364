// Runs inside the game's runtime before main: the player's folder (where "demo.dem"
// goes) lives in the browser's persistent storage. It is read in before the game
// starts and written back after every file written or renamed there.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var folder = '/home/web_user/.local/share/timberdrive';
  FS.mkdirTree(folder);
  FS.mount(IDBFS, {}, folder);
  // Reading it in writes its files too: they are not saved back.
  var reading = true;
  addRunDependency('user-folder');
  FS.syncfs(true, function () {
    reading = false;
    removeRunDependency('user-folder');
  });

  var saving = false, again = false;
  Module['userFolderSaves'] = 0;
  function save() {
    if (saving) { again = true; return; }
    saving = true;
    FS.syncfs(false, function () {
      saving = false;
      Module['userFolderSaves']++;
      if (again) { again = false; save(); }
    });
  }
  // A write there ends in a close, or, for a file replaced whole, a close of the new
  // file beside it and a rename over the old one. Either saves the folder once the
  // game's pass is over, so that the rename is in what is saved.
  var pending = false;
  function saveSoon() {
    if (pending || reading) return;
    pending = true;
    Promise.resolve().then(function () { pending = false; save(); });
  }
  var inFolder = function (p) { return typeof p === 'string' && p.indexOf(folder + '/') === 0; };
  var close = FS.close;
  FS.close = function (stream) {
    var written = (stream.flags & 3) !== 0 && inFolder(stream.path);
    var result = close.apply(this, arguments);
    if (written) saveSoon();
    return result;
  };
  var rename = FS.rename;
  FS.rename = function (from, to) {
    var result = rename.apply(this, arguments);
    if (inFolder(to)) saveSoon();
    return result;
  };
});
