// The page around the game: the screen on a canvas, the keyboard, focus and visibility, the
// clock, the beep, and the buttons for the highscore file (kept by store.js). The program
// (WebBackend.cpp) calls in through Module.numerionPage; everything here only runs while the
// program waits, so key events are queued for it and handed over at its next call.
//
// For tests and tools the page keeps window.numerion, in plain JavaScript:
//   screen()  {text: 35 strings of 80 characters (the glyphs as shown),
//              attr: 35 arrays of 80 numbers (foreground + 16 x background)}
//   status()  null while the program runs, else its exit status (0 after key 4)
//   report()  the report of a fatal run-time error, or ""
(function () {
  'use strict';
  var COLUMNS = 80;
  var ROWS = 35;
  var CELLS = COLUMNS * ROWS;
  var FILE = 'Highscore.rnk';

  // The console's 16 colours, by attribute nibble (blue 1, green 2, red 4, bright 8).
  var PALETTE = ['#000000', '#0000aa', '#00aa00', '#00aaaa', '#aa0000', '#aa00aa', '#aa5500',
                 '#aaaaaa', '#555555', '#5555ff', '#55ff55', '#55ffff', '#ff5555', '#ff55ff',
                 '#ffff55', '#ffffff'];
  // Shade and block glyphs are drawn as areas, so walls join without gaps in any font: the
  // shades as a dot pattern of the foreground's share of 4 pixels (whole-canvas aligned).
  var SHADES = {0x2591: 1, 0x2592: 2, 0x2593: 3, 0x2588: 4};
  var DOTS = [[], [0], [0, 3], [0, 1, 3], [0, 1, 2, 3]];
  var HALVES = {0x2580: 'top', 0x2584: 'bottom', 0x258C: 'left', 0x2590: 'right'};

  // Named keys of KeyboardEvent.key and their codes for the pending-key buffer: control
  // characters as the console gives them, extended keys as E x 256 + 255.
  var CONTROL = {Enter: 13, Escape: 27, Backspace: 8, Tab: 9};
  var EXTENDED = {ArrowUp: 72, ArrowDown: 80, ArrowLeft: 75, ArrowRight: 77, Home: 71, End: 79,
                  PageUp: 73, PageDown: 81, Insert: 82, Delete: 83, F1: 59, F2: 60, F3: 61,
                  F4: 62, F5: 63, F6: 64, F7: 65, F8: 66, F9: 67, F10: 68};
  // The keys the game reads; the browser keeps every other key and every shortcut.
  var GAME_KEYS = /^(Arrow(Up|Down|Left|Right)|Space|Enter|NumpadEnter|Digit[0-9]|Numpad[0-9]|Backspace|Escape)$/;

  // Event kinds as WebBackend.cpp reads them.
  var EV_KEY = 0, EV_FOCUS_IN = 1, EV_FOCUS_OUT = 2, EV_CHANGED = 3;
  var PRESS = 0, REPEAT = 1, RELEASE = 2;

  var canvas, ctx, statusLine, restartButton;
  var glyphs = new Uint32Array(CELLS).fill(0x20);
  var attrs = new Uint16Array(CELLS).fill(7);
  var cursor = -1;
  var drawn = false;
  var cellW = 8, cellH = 16;
  var keyIndex = {};  // KeyboardEvent.code -> the program's key number
  var events = [];
  var waiter = null;
  var audio = null;
  var exitStatus = null;
  var reportText = '';
  var stderrBytes = [];
  var fileNote = '';
  var focusNote = '';
  // The clock starts at a random whole number of seconds, as a machine's uptime would: the
  // game seeds its random numbers from the seconds of the clock, and the seconds since the page
  // opened are nearly the same at every load.
  var clockOffsetMs = (function () {
    var word = new Uint32Array(1);
    if (window.crypto && window.crypto.getRandomValues) window.crypto.getRandomValues(word);
    else word[0] = Math.floor(Math.random() * 4294967296);
    return (word[0] % 16777216) * 1000;
  })();

  function setStatus(text, fatal) {
    if (!statusLine) return;
    statusLine.textContent = text;
    statusLine.className = fatal ? 'fatal' : '';
  }

  function showNotes() {
    if (exitStatus !== null) return;
    setStatus([fileNote, focusNote].filter(Boolean).join(' '), false);
  }

  // --- The screen ---------------------------------------------------------------------------

  function layout() {
    var footer = document.getElementById('footer');
    var availW = window.innerWidth;
    var availH = window.innerHeight - (footer ? footer.offsetHeight : 0);
    var ratio = window.devicePixelRatio || 1;
    // Cells of a console font's shape, whole device pixels, so the grid stays exact.
    var h = Math.floor(Math.min(availH / ROWS, availW / COLUMNS / 0.55) * ratio);
    cellH = Math.max(h, 8);
    cellW = Math.max(Math.floor(cellH * 0.55), 4);
    canvas.width = cellW * COLUMNS;
    canvas.height = cellH * ROWS;
    canvas.style.width = (canvas.width / ratio) + 'px';
    canvas.style.height = (canvas.height / ratio) + 'px';
    ctx = canvas.getContext('2d', {alpha: false});
    patterns = {};
    ctx.font = Math.round(cellH * 0.8) + 'px "DejaVu Sans Mono", "Consolas", "Courier New", monospace';
    ctx.textAlign = 'center';
    ctx.textBaseline = 'middle';
    for (var i = 0; i < CELLS; ++i) drawCell(i);
  }

  var patterns = {};
  function shade(fg, bg, lit) {
    var key = fg + ',' + bg + ',' + lit;
    if (!patterns[key]) {
      var tile = document.createElement('canvas');
      tile.width = 2;
      tile.height = 2;
      var t = tile.getContext('2d');
      t.fillStyle = PALETTE[bg];
      t.fillRect(0, 0, 2, 2);
      t.fillStyle = PALETTE[fg];
      DOTS[lit].forEach(function (dot) { t.fillRect(dot % 2, dot >> 1, 1, 1); });
      patterns[key] = ctx.createPattern(tile, 'repeat');
    }
    return patterns[key];
  }

  function drawCell(i) {
    if (!ctx) return;
    var x = (i % COLUMNS) * cellW;
    var y = Math.floor(i / COLUMNS) * cellH;
    var fg = attrs[i] & 15, bg = (attrs[i] >> 4) & 15, cp = glyphs[i];
    ctx.fillStyle = PALETTE[bg];
    ctx.fillRect(x, y, cellW, cellH);
    if (SHADES[cp] !== undefined) {
      ctx.fillStyle = shade(fg, bg, SHADES[cp]);
      ctx.fillRect(x, y, cellW, cellH);
    } else if (HALVES[cp]) {
      ctx.fillStyle = PALETTE[fg];
      var half = HALVES[cp];
      if (half === 'top') ctx.fillRect(x, y, cellW, cellH / 2);
      else if (half === 'bottom') ctx.fillRect(x, y + cellH / 2, cellW, cellH / 2);
      else if (half === 'left') ctx.fillRect(x, y, cellW / 2, cellH);
      else ctx.fillRect(x + cellW / 2, y, cellW / 2, cellH);
    } else if (cp !== 0x20 && cp !== 0xA0) {
      ctx.fillStyle = PALETTE[fg];
      ctx.fillText(String.fromCodePoint(cp), x + cellW / 2, y + cellH / 2 + cellH * 0.04, cellW);
    }
    if (i === cursor) {
      ctx.fillStyle = PALETTE[fg];
      ctx.fillRect(x, y + cellH - Math.max(2, cellH >> 3), cellW, Math.max(2, cellH >> 3));
    }
  }

  // The model as the program presents it: code points and attributes of all cells, and the
  // cursor's cell or -1. Only cells that changed are drawn.
  function present(glyphPtr, attrPtr, cursorCell) {
    var newGlyphs = HEAPU32.subarray(glyphPtr >> 2, (glyphPtr >> 2) + CELLS);
    var newAttrs = HEAPU16.subarray(attrPtr >> 1, (attrPtr >> 1) + CELLS);
    var oldCursor = cursor;
    cursor = cursorCell;
    for (var i = 0; i < CELLS; ++i) {
      if (!drawn || newGlyphs[i] !== glyphs[i] || newAttrs[i] !== attrs[i] ||
          i === oldCursor || i === cursor) {
        glyphs[i] = newGlyphs[i];
        attrs[i] = newAttrs[i];
        drawCell(i);
      }
    }
    if (!drawn) Module.numerionPage.firstFrameMs = performance.now();
    drawn = true;
    if (reloadPending && atRest()) {
      reloadPending = false;
      restart(false);
    }
  }

  function screenCopy() {
    var text = [], attr = [];
    for (var r = 0; r < ROWS; ++r) {
      var line = '', row = [];
      for (var c = 0; c < COLUMNS; ++c) {
        line += String.fromCodePoint(glyphs[r * COLUMNS + c]);
        row.push(attrs[r * COLUMNS + c]);
      }
      text.push(line);
      attr.push(row);
    }
    return {text: text, attr: attr};
  }

  // --- Keys, focus, visibility --------------------------------------------------------------

  function queue(kind, action, key, code, character) {
    events.push([kind, action, key, code, character]);
    if (waiter) waiter();
  }

  function withCommand(e) {
    return (e.ctrlKey || e.altKey || e.metaKey) && !e.getModifierState('AltGraph');
  }

  // What a key press gives the pending-key buffer: [code, character]; -1 and 0 for nothing.
  function codeOf(e) {
    if (withCommand(e)) return [-1, 0];
    if (CONTROL[e.key] !== undefined) return [CONTROL[e.key], 0];
    if (EXTENDED[e.key] !== undefined) return [EXTENDED[e.key] * 256 + 255, 0];
    var cp = e.key.codePointAt(0);
    if (e.key.length === String.fromCodePoint(cp).length) return [-1, cp];
    return [-1, 0];  // Dead, Shift, CapsLock and the like
  }

  function onKeyDown(e) {
    if (exitStatus !== null) {
      // The program has ended: a fresh key starts it again.
      if (!e.repeat && !withCommand(e) && exitStatus === 0) location.reload();
      return;
    }
    if (!audio) startAudio();
    var key = keyIndex.hasOwnProperty(e.code) ? keyIndex[e.code] : -1;
    var gives = codeOf(e);
    // An auto-repeat feeds the pending keys as a press does but leaves the held state alone.
    queue(EV_KEY, e.repeat ? REPEAT : PRESS, e.repeat ? -1 : key, gives[0], gives[1]);
    if (GAME_KEYS.test(e.code) && !withCommand(e)) e.preventDefault();
  }

  function onKeyUp(e) {
    if (exitStatus !== null) return;
    var key = keyIndex.hasOwnProperty(e.code) ? keyIndex[e.code] : -1;
    queue(EV_KEY, RELEASE, key, -1, 0);
    if (GAME_KEYS.test(e.code) && !withCommand(e)) e.preventDefault();
  }

  function onBlur() {
    focusNote = 'Die Seite hat den Fokus verloren: für die Tasten in sie klicken.';
    showNotes();
    queue(EV_FOCUS_OUT, 0, -1, -1, 0);
  }

  function onFocus() {
    focusNote = '';
    showNotes();
    queue(EV_FOCUS_IN, 0, -1, -1, 0);
  }

  // --- Sound ----------------------------------------------------------------------------------

  // Browsers let a page sound only after the player's first key; until then a beep is silent.
  // Between beeps the context is suspended: a running one renders silence on the audio thread
  // all the time, a few per cent of a core.
  var tonesPlaying = 0;

  function startAudio() {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    try {
      audio = new Context();
      audio.suspend();
    } catch (err) {
      audio = null;
    }
  }

  function bell() {
    if (!audio || audio.state === 'closed') return;
    ++tonesPlaying;
    audio.resume().then(function () {
      var tone = audio.createOscillator();
      var gain = audio.createGain();
      tone.type = 'square';
      tone.frequency.value = 1000;
      gain.gain.value = 0.05;
      tone.connect(gain);
      gain.connect(audio.destination);
      tone.onended = function () {
        if (--tonesPlaying === 0) audio.suspend();
      };
      var now = audio.currentTime;
      tone.start(now);
      tone.stop(now + 0.25);
    }, function () {
      --tonesPlaying;
    });
  }

  // --- The highscore file (kept by store.js) ------------------------------------------------

  var store = Module.numerionStore;
  var offered = null;        // a checked list waiting for the player's answer
  var reloadPending = false; // a replaced list waits for the program to be at rest

  function mountFile() {
    addRunDependency('numerion-highscore');
    store.open(function (text) { fileNote = text; }).then(function () {
      document.getElementById('previous').hidden = store.previous() === null;
      if (store.previous() && !fileNote)
        fileNote = 'Die geladene Bestenliste gilt; die bisherige lässt sich bis zum nächsten Neuladen noch herunterladen.';
      showNotes();
      removeRunDependency('numerion-highscore');
    });
  }

  function saveBytes(bytes, name) {
    var link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 1000);
  }

  function download() {
    var bytes = store.current();
    if (bytes) saveBytes(bytes, FILE);
    else setStatus('Es gibt noch keine Bestenliste.', false);
  }

  function rowText(row) {
    var text = '';
    for (var c = 0; c < COLUMNS; ++c) text += String.fromCodePoint(glyphs[(row - 1) * COLUMNS + c]);
    return text;
  }

  // A reload loses nothing while the program has ended or not drawn yet, or shows the title
  // menu: not during a game, the name entry or a list.
  function atRest() {
    if (exitStatus !== null || !drawn) return true;
    return rowText(16).indexOf('1 = Spielbeginn') >= 0 && rowText(22).indexOf('4 = Spielende') >= 0;
  }

  // Starts the page again with the replaced list; the list it replaced stays to be downloaded.
  // Where the browser refuses to keep that across the reload, the player decides.
  function restart(anyway) {
    if (!anyway && !store.carryAcrossReload()) {
      reloadPending = false;
      setStatus('Der Browser verweigert der Seite den Sitzungsspeicher: nach einem Neustart wäre ' +
                (store.persistent() ? 'die bisherige Bestenliste nicht mehr herunterzuladen'
                                    : 'die Bestenliste verloren') +
                '. „Neu starten“ startet die Seite trotzdem neu.', false);
      restartButton.style.display = 'inline';
      restartButton.dataset.anyway = '1';
      return;
    }
    location.reload();
  }

  // Any file is checked first; a highscore list replaces the current one only when the player
  // says so, and the page then starts again with it once no game or name entry would be lost.
  function load(file) {
    file.arrayBuffer().then(function (buffer) {
      var bytes = new Uint8Array(buffer);
      var problem = store.problemOf(bytes);
      if (problem) {
        setStatus('„' + file.name + '“ ist keine Bestenliste: ' + problem +
                  ' Die bisherige bleibt.', false);
        return;
      }
      offered = bytes;
      setStatus('„' + file.name + '“ ersetzt die bisherige Bestenliste. Ersetzen?', false);
      document.getElementById('ask').hidden = false;
    }, function () {
      setStatus('Die Datei lässt sich nicht lesen. Die bisherige Bestenliste bleibt.', false);
    });
  }

  function answer(replace) {
    document.getElementById('ask').hidden = true;
    var bytes = offered;
    offered = null;
    if (!replace || !bytes) {
      setStatus('Die bisherige Bestenliste bleibt.', false);
      return;
    }
    store.replace(bytes).then(function (problem) {
      if (problem) {
        setStatus('Die Bestenliste ist nicht ersetzt: ' + problem + '.', false);
        return;
      }
      document.getElementById('previous').hidden = false;
      if (atRest()) {
        restart(false);
        return;
      }
      reloadPending = true;
      setStatus('Die neue Bestenliste ist gespeichert. Die Seite startet neu, sobald das Spiel ' +
                'zu Ende ist und das Hauptmenü erscheint; „Neu starten“ startet sie sofort ' +
                '(das laufende Spiel ist dann verloren).', false);
      restartButton.style.display = 'inline';
    });
  }

  // --- The end of the program ---------------------------------------------------------------

  function ended(status) {
    if (exitStatus !== null) return;
    exitStatus = status;
    reportText = String.fromCharCode.apply(null, stderrBytes);
    if (waiter) waiter();
    if (status === 0) {
      setStatus('Das Spiel ist beendet. Eine Taste oder „Neu starten“ startet es neu.', false);
      restartButton.style.display = 'inline';
    } else {
      setStatus('Laufzeitfehler ' + status + ':' + (reportText || ' (ohne Bericht)'), true);
    }
  }

  // --- Start ----------------------------------------------------------------------------------

  Module.numerionPage = {
    // The program names its keys in the order of its own key numbers.
    setKeyNames: function (names) {
      names.split(',').forEach(function (name, i) { keyIndex[name] = i; });
    },
    // Hands the queued events to the program: five numbers each (kind, action, key, code,
    // character) at ptr, at most max events; returns how many.
    takeEvents: function (ptr, max) {
      var n = Math.min(events.length, max);
      for (var i = 0; i < n; ++i) HEAP32.set(events[i], (ptr >> 2) + 5 * i);
      events.splice(0, n);
      return n;
    },
    // Resolves after ms milliseconds (negative: without limit), or at once when an event comes.
    wait: function (ms) {
      return new Promise(function (resolve) {
        var timer = null;
        waiter = function () {
          waiter = null;
          if (timer !== null) clearTimeout(timer);
          resolve();
        };
        if (ms >= 0) timer = setTimeout(waiter, ms);
      });
    },
    visible: function () { return document.visibilityState !== 'hidden'; },
    present: present,
    now: function () { return clockOffsetMs + performance.now(); },
    bell: bell,
    // When the first frame was drawn, in ms since the navigation began (for measurements).
    firstFrameMs: null,
  };

  Module.preRun = Module.preRun || [];
  Module.preRun.push(mountFile);
  // Standard error is the fatal report, byte by byte.
  Module.stderr = function (byte) { if (byte !== null && byte !== undefined) stderrBytes.push(byte); };
  Module.printErr = function (text) { console.warn(text); };
  Module.onExit = ended;
  // Under ASYNCIFY main returns long after its first wait, when nobody waits for it any more:
  // its return is the program's end, with its status, as exit() would be.
  Module.postRun = Module.postRun || [];
  Module.postRun.push(function () {
    if (typeof Asyncify === 'undefined' || !Asyncify.currData) return;
    Asyncify.whenDone().then(function (status) {
      try { exit(status); } catch (err) { /* the ExitStatus that exit() throws */ }
    }, function () { /* ended by exit() inside the program: onExit has seen it */ });
  });
  Module.onAbort = function (what) {
    if (exitStatus !== null) return;
    exitStatus = -1;
    setStatus('Das Programm ist abgebrochen: ' + what, true);
  };

  window.numerion = {
    screen: screenCopy,
    status: function () { return exitStatus; },
    report: function () { return reportText; },
  };

  function init() {
    canvas = document.getElementById('screen');
    statusLine = document.getElementById('status');
    restartButton = document.getElementById('restart');
    setStatus('', false);
    layout();
    window.addEventListener('resize', layout);
    window.addEventListener('keydown', onKeyDown);
    window.addEventListener('keyup', onKeyUp);
    window.addEventListener('blur', onBlur);
    window.addEventListener('focus', onFocus);
    document.addEventListener('visibilitychange', function () { queue(EV_CHANGED, 0, -1, -1, 0); });
    document.getElementById('download').addEventListener('click', download);
    document.getElementById('load').addEventListener('click', function () {
      document.getElementById('file').click();
    });
    document.getElementById('file').addEventListener('change', function (e) {
      if (e.target.files.length > 0) load(e.target.files[0]);
      e.target.value = '';  // the same file again is a new choice
    });
    document.getElementById('replace').addEventListener('click', function () { answer(true); });
    document.getElementById('keep').addEventListener('click', function () { answer(false); });
    document.getElementById('previous').addEventListener('click', function () {
      if (store.previous()) saveBytes(store.previous(), 'Highscore-vorher.rnk');
    });
    restartButton.addEventListener('click', function () {
      if (reloadPending || restartButton.dataset.anyway) restart(!!restartButton.dataset.anyway);
      else location.reload();
    });
    // Buttons must not keep the keyboard: the game's keys go back to the page.
    Array.prototype.forEach.call(document.querySelectorAll('button'), function (b) {
      b.addEventListener('mouseup', function () { b.blur(); });
    });
    if (!document.hasFocus()) onBlur();
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', init);
  else init();
})();
