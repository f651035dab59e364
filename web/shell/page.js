// The page around the game: loads it with a progress bar, scales the canvas by
// whole numbers to fit, offers full screen, takes the pointer on the first click,
// starts the sound on the first click or key (browsers allow no sound before),
// stills it while the page is hidden, plays demo files (dropped, chosen, or linked
// by ?demo=) and downloads the last game, and offers another game when the game ends.
(function () {
  'use strict';
  // The game's own picture, which the canvas holds: the browser scales it up.
  var WIDTH = 320, HEIGHT = 240;
  // More than ten hours of records is no demo of this game.
  var DEMO_MAX_BYTES = 8 + 12 * 10 * 3600 * 60;
  var stage = document.getElementById('stage');
  var canvas = document.getElementById('canvas');
  var loading = document.getElementById('loading');
  var loadingText = document.getElementById('loading-text');
  var progress = document.getElementById('progress');
  var message = document.getElementById('message');
  var ended = document.getElementById('ended');

  function fail(text) {
    loading.hidden = true;
    canvas.hidden = true;
    message.textContent = text;
    message.hidden = false;
  }

  var probe = document.createElement('canvas');
  if (!probe.getContext('webgl2')) {
    fail('Timberdrive needs WebGL 2, which this browser does not offer or has turned off. ' +
         'A current Firefox, Chrome, Edge or Safari with hardware acceleration on can run it.');
    return;
  }

  // The largest whole multiple that fits; below 1x, fitted (never cropped).
  function fit() {
    var room = Math.min(stage.clientWidth / WIDTH, stage.clientHeight / HEIGHT);
    var scale = room >= 1 ? Math.floor(room) : room;
    canvas.style.width = Math.floor(WIDTH * scale) + 'px';
    canvas.style.height = Math.floor(HEIGHT * scale) + 'px';
  }
  // The stage's own size: on leaving full screen the window's resize event may come
  // before the page has its old size back.
  if (window.ResizeObserver) {
    new ResizeObserver(fit).observe(stage);
  } else {
    window.addEventListener('resize', fit);
    document.addEventListener('fullscreenchange', fit);
  }
  fit();

  // Every audio context the game makes, to start it on the first input and still it
  // while the page is hidden.
  var audioContexts = [];
  var BaseAudioContext = window.AudioContext || window.webkitAudioContext;
  if (BaseAudioContext) {
    window.AudioContext = class extends BaseAudioContext {
      constructor(options) {
        super(options);
        audioContexts.push(this);
      }
    };
  }
  var userStarted = false;
  function startSound() {
    userStarted = true;
    if (document.hidden || !window.Module._timberdrive_audio_resume) return;
    window.Module._timberdrive_audio_resume();
  }
  canvas.addEventListener('mousedown', startSound);
  window.addEventListener('keydown', startSound);
  document.addEventListener('visibilitychange', function () {
    audioContexts.forEach(function (c) {
      if (document.hidden) {
        if (c.state === 'running') c.suspend();
      } else if (userStarted && c.state === 'suspended') {
        c.resume();
      }
    });
    // The sound comes back with the pictures, not at the next tick of a slowed timer.
    if (!document.hidden && window.Module._timberdrive_audio_wake) window.Module._timberdrive_audio_wake();
  });
  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });

  // The pointer is taken here, inside the click's own handler, where every browser
  // grants it; a refusal (Firefox refuses a page that has just got the focus) is
  // answered by the next click. The runtime's own later request is kept from
  // throwing its refusal at the page.
  var lock = canvas.requestPointerLock;
  function takePointer() {
    if (!lock || document.pointerLockElement === canvas) return;
    try {
      var asked = lock.call(canvas);
      if (asked && asked.catch) asked.catch(function () {});
    } catch (e) { /* refused: the next click asks again */ }
  }
  if (lock) canvas.requestPointerLock = takePointer;
  canvas.addEventListener('mousedown', takePointer);
  canvas.addEventListener('click', takePointer);

  // Demo files: the game plays one from its file system. Until the game runs, the
  // file waits.
  var note = document.getElementById('note');
  var noteTimer = 0;
  function tell(text) {
    note.textContent = text;
    note.hidden = false;
    clearTimeout(noteTimer);
    noteTimer = setTimeout(function () { note.hidden = true; }, 4000);
  }
  var DEMO_PATH = '/tmp/page-demo.dem';
  function playDemo(bytes, name) {
    if (bytes.length > DEMO_MAX_BYTES) {
      tell(name + ' is too large to be a demo.');
      return;
    }
    var M = window.Module;
    if (!M.calledRun || !M.ccall) {
      setTimeout(function () { playDemo(bytes, name); }, 100);
      return;
    }
    try {
      M.FS.writeFile(DEMO_PATH, bytes);
      var played = M.ccall('timberdrive_play_demo', 'number', ['string'], [DEMO_PATH]);
      M.FS.unlink(DEMO_PATH);
      if (played === 1) {
        tell('Playing ' + name + ' (a click or Space ends it).');
        canvas.focus();
      } else if (played === -1) {
        setTimeout(function () { playDemo(bytes, name); }, 100);
      } else {
        tell(name + ' is not a demo of this game.');
      }
    } catch (e) {
      tell(name + ' could not be played.');
    }
  }
  function playDemoFile(file) {
    if (!file) return;
    if (file.size > DEMO_MAX_BYTES) {
      tell(file.name + ' is too large to be a demo.');
      return;
    }
    file.arrayBuffer().then(function (b) { playDemo(new Uint8Array(b), file.name); },
                            function () { tell(file.name + ' could not be read.'); });
  }
  stage.addEventListener('dragover', function (e) {
    e.preventDefault();
    stage.classList.add('dropping');
  });
  stage.addEventListener('dragleave', function () { stage.classList.remove('dropping'); });
  stage.addEventListener('drop', function (e) {
    e.preventDefault();
    stage.classList.remove('dropping');
    var files = e.dataTransfer && e.dataTransfer.files;
    if (files && files.length) playDemoFile(files[0]);
  });
  var chooser = document.getElementById('demo-file');
  document.getElementById('play-demo').addEventListener('click', function () { chooser.click(); });
  chooser.addEventListener('change', function () {
    playDemoFile(chooser.files[0]);
    chooser.value = '';
  });
  document.getElementById('save-game').addEventListener('click', function () {
    var M = window.Module;
    var path = '/tmp/page-game.dem';
    var saved = M.calledRun && M.ccall ? M.ccall('timberdrive_save_log', 'number', ['string'], [path]) : 0;
    if (saved !== 1) {
      tell('No game to save yet.');
      return;
    }
    var bytes = M.FS.readFile(path);
    M.FS.unlink(path);
    var a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    a.download = 'timberdrive.dem';
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(a.href); }, 10000);
    canvas.focus();
  });
  // ?demo=URL: a replay kept beside the site (the same origin only).
  var linked = new URLSearchParams(location.search).get('demo');
  if (linked) {
    var url = null;
    try { url = new URL(linked, location.href); } catch (e) { url = null; }
    if (!url || url.origin !== location.origin) {
      tell('The linked demo is not on this site.');
    } else {
      fetch(url.href).then(function (r) {
        if (!r.ok) throw new Error(String(r.status));
        var size = Number(r.headers.get('Content-Length'));
        if (size > DEMO_MAX_BYTES) throw new Error('too large');
        return r.arrayBuffer();
      }).then(function (b) {
        playDemo(new Uint8Array(b), decodeURIComponent(url.pathname.split('/').pop()) || 'the linked demo');
      }, function () { tell('The linked demo could not be loaded.'); });
    }
  }

  // Full screen for the stage, from the button or from the game (Alt+Enter). The game
  // asks a frame after its key, while the browser still counts that key as the
  // user's; should it refuse anyway, the next key or click asks again.
  var fullScreenWanted = false;
  function setFullScreen(on) {
    fullScreenWanted = on;
    if (!on) {
      if (document.fullscreenElement) document.exitFullscreen().catch(function () {});
      return;
    }
    if (document.fullscreenElement || !stage.requestFullscreen) return;
    stage.requestFullscreen().catch(function () {
      function again() {
        window.removeEventListener('keydown', again, true);
        window.removeEventListener('mousedown', again, true);
        if (fullScreenWanted) setFullScreen(true);
      }
      window.addEventListener('keydown', again, true);
      window.addEventListener('mousedown', again, true);
    });
  }
  document.getElementById('fullscreen').addEventListener('click', function () {
    setFullScreen(true);
    canvas.focus();
  });
  document.getElementById('again').addEventListener('click', function () { location.reload(); });

  window.Module = {
    canvas: canvas,
    audioContexts: audioContexts,
    setFullScreen: setFullScreen,
    setStatus: function (text) {
      var m = /\((\d+(?:\.\d+)?)\/(\d+)\)/.exec(text);
      if (m) {
        progress.value = Number(m[1]) / Number(m[2]);
        loadingText.textContent = 'Loading';
      } else if (!text) {
        loading.hidden = true;
      }
    },
    onRuntimeInitialized: function () {
      loading.hidden = true;
      canvas.focus();
    },
    onAbort: function () { fail('Timberdrive stopped with an error. Reloading the page starts it again.'); },
    onGameEnded: function () {
      if (document.fullscreenElement) document.exitFullscreen().catch(function () {});
      canvas.hidden = true;
      ended.hidden = false;
      document.getElementById('again').focus();
    }
  };

  var script = document.createElement('script');
  script.src = 'timberdrive.js';
  script.onerror = function () { fail('The game could not be loaded. Reloading the page tries again.'); };
  document.body.appendChild(script);
})();
