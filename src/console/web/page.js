// The page around the game: the screen on a canvas, the keyboard and a touch screen's keys,
// focus and visibility, the clock and the waits, the beep, and the buttons for the highscore
// file (kept by store.js). The program (WebBackend.cpp) calls in through Module.numerionPage;
// everything here only runs while the program waits, so key events are queued for it and
// handed over at its next call.
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

  // The console's 16 colours, by attribute nibble, as the program hands them over (the one
  // table every build shows).
  var palette = [];
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
  // The keys that start the program again once it has ended (a modifier alone does not).
  var RESTART_KEYS = /^(Digit[0-9]|Numpad[0-9]|Space|Enter|NumpadEnter)$/;
  var META_KEYS = /^(Meta|OS)(Left|Right)$/;

  // Event kinds as WebBackend.cpp reads them.
  var EV_KEY = 0, EV_FOCUS_IN = 1, EV_FOCUS_OUT = 2, EV_CHANGED = 3, EV_RELEASED = 4;
  var PRESS = 0, REPEAT = 1, RELEASE = 2;

  // Waits shorter than this are held on the clock: the browser's timers fire at best about
  // 0.3 ms late, and a chain of short ones at 4 ms at the earliest.
  var SHORTEST_TIMER_MS = 5;
  // While a wait is held, the browser gets its turn (to draw a frame, to deliver keys) at
  // least this often: twice an animation frame.
  var TURN_EVERY_MS = 8;

  var canvas, ctx, statusLine, restartButton;
  // The model as the program last presented it, and what the canvas shows.
  var glyphs = new Uint32Array(CELLS).fill(0x20);
  var attrs = new Uint16Array(CELLS).fill(7);
  var cursor = -1;
  var shownGlyphs = new Uint32Array(CELLS), shownAttrs = new Uint16Array(CELLS);
  var shownCursor = -1;
  var drawn = false;
  var redrawAll = true;
  var changed = false;
  // Cell edges in canvas pixels: column c spans xs[c]..xs[c + 1], row r ys[r]..ys[r + 1].
  var xs = new Int32Array(COLUMNS + 1), ys = new Int32Array(ROWS + 1);
  var keyIndex = {};  // KeyboardEvent.code -> the program's key number
  var events = [];
  var waiter = null;
  var audio = null;
  var exitStatus = null;
  var reportText = '';
  var stderrBytes = [];
  var fileNote = '';
  var storageNote = '';
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
    setStatus([fileNote, storageNote, focusNote].filter(Boolean).join(' '), false);
  }

  // --- The screen ---------------------------------------------------------------------------

  // The room the canvas may take, in CSS pixels: the window less the line below and, on a
  // touch screen, the on-screen keys (below the screen when upright, beside it when sideways).
  function room() {
    var footer = document.getElementById('footer');
    var w = window.innerWidth, h = window.innerHeight - (footer ? footer.offsetHeight : 0);
    if (touch) {
      var size = function (id) {
        var el = document.getElementById(id);
        return {w: el.offsetWidth, h: el.offsetHeight};
      };
      var arrows = size('arrows'), digits = size('digits'), actions = size('actions');
      if (sideways()) {
        w -= arrows.w + size('right').w + 2 * PAD_GAP;
      } else {
        h -= digits.h + Math.max(arrows.h, actions.h) + 3 * PAD_GAP;
      }
    }
    return {w: Math.max(w, 80), h: Math.max(h, 35)};
  }

  // Cells of a console font's shape in whole device pixels. With a keyboard every cell has the
  // same size; on a touch screen the grid takes the whole width (or height) it has, its cells
  // one pixel apart in size where the pixels do not divide evenly.
  function layout() {
    var ratio = window.devicePixelRatio || 1;
    document.body.classList.toggle('sideways', touch && sideways());
    var space = room();
    var width, height;
    if (touch) {
      var maxW = Math.floor(space.w * ratio), maxH = Math.floor(space.h * ratio);
      width = Math.min(maxW, Math.floor(maxH * COLUMNS * 0.55 / ROWS));
      height = Math.min(maxH, Math.round(width * ROWS / (COLUMNS * 0.55)));
    } else {
      var h = Math.max(Math.floor(Math.min(space.h / ROWS, space.w / COLUMNS / 0.55) * ratio), 8);
      var w = Math.max(Math.floor(h * 0.55), 4);
      width = w * COLUMNS;
      height = h * ROWS;
    }
    for (var c = 0; c <= COLUMNS; ++c) xs[c] = Math.round(c * width / COLUMNS);
    for (var r = 0; r <= ROWS; ++r) ys[r] = Math.round(r * height / ROWS);
    canvas.width = width;
    canvas.height = height;
    canvas.style.width = (width / ratio) + 'px';
    canvas.style.height = (height / ratio) + 'px';
    // A desynchronized canvas goes to the screen without a round of the page's own rendering:
    // measured in headless chromium, about half the CPU of a frame.
    ctx = canvas.getContext('2d', {alpha: false, desynchronized: true});
    patterns = {};
    tiles = {};
    var cellH = Math.floor(height / ROWS);
    font = Math.round(cellH * 0.8) + 'px "DejaVu Sans Mono", "Consolas", "Courier New", monospace';
    redrawAll = true;
    drawFrame();
  }

  var patterns = {};
  function shade(fg, bg, lit) {
    var key = fg + ',' + bg + ',' + lit;
    if (!patterns[key]) {
      var tile = document.createElement('canvas');
      tile.width = 2;
      tile.height = 2;
      var t = tile.getContext('2d');
      t.fillStyle = palette[bg];
      t.fillRect(0, 0, 2, 2);
      t.fillStyle = palette[fg];
      DOTS[lit].forEach(function (dot) { t.fillRect(dot % 2, dot >> 1, 1, 1); });
      patterns[key] = ctx.createPattern(tile, 'repeat');
    }
    return patterns[key];
  }

  // Each character in each colour and cell size is drawn once into a tile of its own, then
  // copied: far cheaper than drawing the text again for every cell.
  var tiles = {};
  var font = '';
  function glyphTile(cp, fg, w, h) {
    var key = cp + ',' + fg + ',' + w + ',' + h;
    var tile = tiles[key];
    if (!tile) {
      tile = document.createElement('canvas');
      tile.width = w;
      tile.height = h;
      var t = tile.getContext('2d');
      t.font = font;
      t.textAlign = 'center';
      t.textBaseline = 'middle';
      t.fillStyle = palette[fg];
      t.fillText(String.fromCodePoint(cp), w / 2, h / 2 + h * 0.04, w);
      tiles[key] = tile;
    }
    return tile;
  }

  // What stands on a cell over its background: a shade, a half block, a character, the cursor.
  function drawForeground(i) {
    var column = i % COLUMNS, row = (i - column) / COLUMNS;
    var x = xs[column], y = ys[row], w = xs[column + 1] - x, h = ys[row + 1] - y;
    var fg = attrs[i] & 15, bg = (attrs[i] >> 4) & 15, cp = glyphs[i];
    if (SHADES[cp] !== undefined) {
      ctx.fillStyle = shade(fg, bg, SHADES[cp]);
      ctx.fillRect(x, y, w, h);
    } else if (HALVES[cp]) {
      ctx.fillStyle = palette[fg];
      var half = HALVES[cp];
      if (half === 'top') ctx.fillRect(x, y, w, h >> 1);
      else if (half === 'bottom') ctx.fillRect(x, y + (h >> 1), w, h - (h >> 1));
      else if (half === 'left') ctx.fillRect(x, y, w >> 1, h);
      else ctx.fillRect(x + (w >> 1), y, w - (w >> 1), h);
    } else if (cp !== 0x20 && cp !== 0xA0) {
      ctx.drawImage(glyphTile(cp, fg, w, h), x, y);
    }
    if (i === cursor) {
      var line = Math.max(2, h >> 3);
      ctx.fillStyle = palette[fg];
      ctx.fillRect(x, y + h - line, w, line);
    }
  }

  function cellChanged(i) {
    return redrawAll || glyphs[i] !== shownGlyphs[i] || attrs[i] !== shownAttrs[i] ||
           (i === cursor) !== (i === shownCursor);
  }

  // Draws the cells whose glyph, colours or cursor changed since the last frame, each run of
  // them on one background with one fill. Called when the program gives the browser its turn,
  // as only then can a frame be shown: the program may present far more often than that (the
  // list's sliding rows).
  function drawFrame() {
    changed = false;
    if (!ctx || palette.length === 0) return;
    for (var row = 0; row < ROWS; ++row) {
      var first = row * COLUMNS, end = first + COLUMNS;
      for (var i = first; i < end;) {
        if (!cellChanged(i)) { ++i; continue; }
        var bg = (attrs[i] >> 4) & 15, from = i;
        while (i < end && cellChanged(i) && ((attrs[i] >> 4) & 15) === bg) ++i;
        ctx.fillStyle = palette[bg];
        ctx.fillRect(xs[from - first], ys[row], xs[i - first] - xs[from - first], ys[row + 1] - ys[row]);
        for (var k = from; k < i; ++k) drawForeground(k);
      }
    }
    shownGlyphs.set(glyphs);
    shownAttrs.set(attrs);
    shownCursor = cursor;
    redrawAll = false;
    if (drawn && Module.numerionPage.firstFrameMs === null) Module.numerionPage.firstFrameMs = performance.now();
  }

  // The model as the program presents it: code points and attributes of all cells, and the
  // cursor's cell or -1. Taken at once, drawn at the program's next wait.
  function present(glyphPtr, attrPtr, cursorCell) {
    glyphs.set(HEAPU32.subarray(glyphPtr >> 2, (glyphPtr >> 2) + CELLS));
    attrs.set(HEAPU16.subarray(attrPtr >> 1, (attrPtr >> 1) + CELLS));
    cursor = cursorCell;
    changed = true;
    drawn = true;
    if (reloadPending && phase() === 'rest') {
      reloadPending = false;
      restart(false);
    }
  }

  function shows(row, column, text) {
    var at = (row - 1) * COLUMNS + column - 1;
    for (var k = 0; k < text.length; ++k) {
      if (glyphs[at + k] !== text.charCodeAt(k)) return false;
    }
    return true;
  }

  // What the program is doing, as its screen shows it (the page knows nothing else of it):
  // 'rest' when it has ended, has not drawn yet or shows the title menu, where a reload loses
  // nothing; 'result' during a game (its status panel, banners included) or the name entry,
  // where leaving would lose the result; 'other' on the instructions and the list.
  function phase() {
    if (exitStatus !== null || !drawn) return 'rest';
    if (shows(16, 6, '1 = Spielbeginn') && shows(22, 6, '4 = Spielende')) return 'rest';
    if (shows(21, 27, 'verbliebene Zahlen:') ||
        shows(3, 6, 'Du hast es in die Bestenliste geschafft'))
      return 'result';
    return 'other';
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

  // What a key press gives the pending-key buffer, by its KeyboardEvent.key: [code, character];
  // -1 and 0 for nothing.
  function codeOf(name, command) {
    if (command) return [-1, 0];
    if (CONTROL[name] !== undefined) return [CONTROL[name], 0];
    if (EXTENDED[name] !== undefined) return [EXTENDED[name] * 256 + 255, 0];
    var cp = name.codePointAt(0);
    if (name.length === String.fromCodePoint(cp).length) return [-1, cp];
    return [-1, 0];  // Dead, Shift, CapsLock and the like
  }

  function keyNumber(code) {
    return keyIndex.hasOwnProperty(code) ? keyIndex[code] : -1;
  }

  // Once the program has ended, a digit, Space or Enter starts it again.
  function restartOn(code) {
    if (exitStatus === 0 && RESTART_KEYS.test(code)) reload();
  }

  function onKeyDown(e) {
    if (exitStatus !== null) {
      if (!e.repeat && !withCommand(e)) restartOn(e.code);
      return;
    }
    if (!audio) startAudio();
    // Keys pressed with Cmd or Meta held are never held keys: macOS sends no keyup for a key
    // let go while Cmd is down. An auto-repeat makes a key held that reads as up (it was held
    // when the focus came back), and feeds the pending keys as a press does.
    var key = e.metaKey ? -1 : keyNumber(e.code);
    var gives = codeOf(e.key, withCommand(e));
    queue(EV_KEY, e.repeat ? REPEAT : PRESS, key, gives[0], gives[1]);
    if (GAME_KEYS.test(e.code) && !withCommand(e)) e.preventDefault();
  }

  function onKeyUp(e) {
    if (exitStatus !== null) return;
    // Letting go of Cmd releases every key: those let go meanwhile sent nothing.
    if (META_KEYS.test(e.code)) queue(EV_RELEASED, 0, -1, -1, 0);
    else queue(EV_KEY, RELEASE, keyNumber(e.code), -1, 0);
    if (GAME_KEYS.test(e.code) && !withCommand(e)) e.preventDefault();
  }

  function onBlur() {
    focusNote = 'Die Seite hat den Fokus verloren: für die Tasten in sie klicken.';
    showNotes();
    releaseTouches();
    queue(EV_FOCUS_OUT, 0, -1, -1, 0);
  }

  function onFocus() {
    focusNote = '';
    showNotes();
    queue(EV_FOCUS_IN, 0, -1, -1, 0);
  }

  // A hidden page (another tab, a minimised window) lets go of every key, as a blur does: the
  // browser may send neither a blur nor the releases.
  function onVisibilityChange() {
    if (document.visibilityState === 'hidden') {
      releaseTouches();
      queue(EV_RELEASED, 0, -1, -1, 0);
    }
    queue(EV_CHANGED, 0, -1, -1, 0);
  }

  // --- The on-screen keys ---------------------------------------------------------------------

  // Shown on a touch screen (a coarse pointer, or from the first touch on): each a real held
  // key, down while a finger is on it, up when the last finger leaves it or the touch is
  // cancelled, fed to the program as the keyboard's key. By KeyboardEvent.code, the
  // KeyboardEvent.key a keyboard gives.
  var SCREEN_KEYS = {ArrowUp: 'ArrowUp', ArrowDown: 'ArrowDown', ArrowLeft: 'ArrowLeft',
                     ArrowRight: 'ArrowRight', Space: ' ', Enter: 'Enter', Digit1: '1',
                     Digit2: '2', Digit3: '3', Digit4: '4', Digit5: '5'};
  var PAD_GAP = 8;  // CSS pixels between the pads and the screen
  var touch = false;
  var touching = {};  // pointerId -> the key element it holds
  var fingers = {};   // KeyboardEvent.code -> how many touches hold it

  function sideways() {
    return window.innerWidth > window.innerHeight;
  }

  function useTouch() {
    if (touch) return;
    touch = true;
    document.body.classList.add('touch');
    layout();
  }

  function screenKey(code, down) {
    if (exitStatus !== null) {
      if (down) restartOn(code);
      return;
    }
    if (!audio) startAudio();
    var gives = down ? codeOf(SCREEN_KEYS[code], false) : [-1, 0];
    queue(EV_KEY, down ? PRESS : RELEASE, keyNumber(code), gives[0], gives[1]);
  }

  function touchDown(e) {
    var el = e.currentTarget, code = el.dataset.code;
    e.preventDefault();
    if (touching[e.pointerId]) return;
    useTouch();
    try { el.setPointerCapture(e.pointerId); } catch (err) { /* a pointer already gone */ }
    touching[e.pointerId] = el;
    fingers[code] = (fingers[code] || 0) + 1;
    if (fingers[code] === 1) {
      el.classList.add('down');
      screenKey(code, true);
    }
  }

  function touchUp(e) {
    var el = touching[e.pointerId];
    if (!el) return;
    delete touching[e.pointerId];
    var code = el.dataset.code;
    if (--fingers[code] > 0) return;
    el.classList.remove('down');
    screenKey(code, false);
  }

  // Focus lost or page hidden: the program lets go of every key; the fingers still on the
  // keys count no more.
  function releaseTouches() {
    touching = {};
    fingers = {};
    Array.prototype.forEach.call(document.querySelectorAll('.key.down'), function (el) {
      el.classList.remove('down');
    });
  }

  function setUpScreenKeys() {
    Array.prototype.forEach.call(document.querySelectorAll('.key'), function (el) {
      el.addEventListener('pointerdown', touchDown);
      el.addEventListener('pointerup', touchUp);
      el.addEventListener('pointercancel', touchUp);
      el.addEventListener('lostpointercapture', touchUp);
      // No long-press menu, no selection, no emulated mouse after the touch.
      el.addEventListener('contextmenu', function (e) { e.preventDefault(); });
      el.addEventListener('touchstart', function (e) { e.preventDefault(); }, {passive: false});
    });
    var coarse = window.matchMedia && window.matchMedia('(pointer: coarse)').matches;
    if (coarse) useTouch();
    window.addEventListener('touchstart', useTouch, {passive: true});
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
      return store.keep();
    }).then(function (text) {
      storageNote = text;
      showNotes();
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

  // The page starts again because the player asked for it: the browser does not ask again.
  var leaving = false;
  function reload() {
    leaving = true;
    location.reload();
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
    reload();
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
      if (phase() === 'rest') {
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
    if (changed) drawFrame();
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

  // The browser's turn while a wait is held: a message posted to the page itself comes back
  // after the tasks already waiting (a frame to draw, key events), without the timers' clamp.
  var channel = new MessageChannel();
  var onTurn = null;
  var lastTurnMs = 0;
  channel.port1.onmessage = function () {
    var done = onTurn;
    onTurn = null;
    if (done) done();
  };

  Module.numerionPage = {
    // The program names its keys in the order of its own key numbers.
    setKeyNames: function (names) {
      names.split(',').forEach(function (name, i) { keyIndex[name] = i; });
    },
    // The 16 colours as 0xRRGGBB, by attribute nibble.
    setPalette: function (ptr) {
      palette = Array.prototype.map.call(HEAPU32.subarray(ptr >> 2, (ptr >> 2) + 16), function (rgb) {
        return '#' + (0x1000000 + rgb).toString(16).slice(1);
      });
      redrawAll = true;
    },
    // Hands the queued events to the program: five numbers each (kind, action, key, code,
    // character) at ptr, at most max events; returns how many.
    takeEvents: function (ptr, max) {
      var n = Math.min(events.length, max);
      for (var i = 0; i < n; ++i) HEAP32.set(events[i], (ptr >> 2) + 5 * i);
      events.splice(0, n);
      return n;
    },
    // Gives the browser its turn and resolves after ms milliseconds (negative: without limit),
    // at once when an event comes, or, for a wait too short for a timer, after the turn.
    wait: function (ms) {
      if (changed) drawFrame();
      return new Promise(function (resolve) {
        var timer = null;
        waiter = function () {
          waiter = null;
          onTurn = null;
          if (timer !== null) clearTimeout(timer);
          lastTurnMs = performance.now();
          resolve();
        };
        if (ms >= 0 && ms < SHORTEST_TIMER_MS) {
          onTurn = waiter;
          channel.port2.postMessage(0);
        } else if (ms >= 0) {
          timer = setTimeout(waiter, ms);
        }
      });
    },
    // Holds a wait too short for the browser's timers on the clock; false (not waited) when
    // it is no such wait or the browser is due its turn first.
    hold: function (ms) {
      var now = performance.now();
      if (ms >= SHORTEST_TIMER_MS || now - lastTurnMs >= TURN_EVERY_MS) return false;
      for (var until = now + ms; performance.now() < until;) { /* the time is the wait */ }
      return true;
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
    setUpScreenKeys();
    layout();
    window.addEventListener('resize', layout);
    // The line below the screen grows with its words: the screen makes room.
    if (window.ResizeObserver) {
      var footerHeight = -1;
      new ResizeObserver(function () {
        var h = document.getElementById('footer').offsetHeight;
        if (h !== footerHeight) { footerHeight = h; layout(); }
      }).observe(document.getElementById('footer'));
    }
    window.addEventListener('keydown', onKeyDown);
    window.addEventListener('keyup', onKeyUp);
    window.addEventListener('blur', onBlur);
    window.addEventListener('focus', onFocus);
    document.addEventListener('visibilitychange', onVisibilityChange);
    // Leaving the page during a game or the name entry would lose the result: ask first.
    window.addEventListener('beforeunload', function (e) {
      if (leaving || phase() !== 'result') return;
      e.preventDefault();
      e.returnValue = '';
    });
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
      else reload();
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
