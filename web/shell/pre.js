// Runs inside the game's runtime before main: the player's folder (where "demo.dem"
// goes) lives in the browser's persistent storage. It is read in before the game
// starts and written back after every file written there is closed.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var folder = '/home/web_user/.local/share/timberdrive';
  FS.mkdirTree(folder);
  FS.mount(IDBFS, {}, folder);
  addRunDependency('user-folder');
  FS.syncfs(true, function () { removeRunDependency('user-folder'); });

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
  // Every close goes through FS.close; one of a file opened for writing (O_WRONLY,
  // O_RDWR) in the folder saves the folder.
  var close = FS.close;
  FS.close = function (stream) {
    var written = (stream.flags & 3) !== 0 && stream.path && stream.path.indexOf(folder + '/') === 0;
    var result = close.apply(this, arguments);
    if (written) save();
    return result;
  };
});
