// The page around the game: loads it with a progress bar, scales the canvas by
// whole numbers to fit, offers full screen, starts the sound on the first click or
// key (browsers allow no sound before), stills it while the page is hidden, and
// offers another game when the game ends.
(function () {
  'use strict';
  var WIDTH = 640, HEIGHT = 480;
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

  function fit() {
    var scale = Math.max(1, Math.floor(Math.min(stage.clientWidth / WIDTH, stage.clientHeight / HEIGHT)));
    canvas.style.width = WIDTH * scale + 'px';
    canvas.style.height = HEIGHT * scale + 'px';
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
  });
  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });

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
