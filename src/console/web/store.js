// The highscore file in the browser. The program sees "Highscore.rnk" in an in-memory folder
// (emscripten's MEMFS, the working directory); this keeps it in IndexedDB, in the layout of
// emscripten's IDBFS (database "/numerion", store FILE_DATA, the file's path as key), so lists
// saved by earlier versions of the page are found. Each tab has its own copy of the folder, so
// every use of the file under its lock (posix/FileStore.cpp through web/StoreSync.cpp) takes a
// lock across the tabs (Web Locks) and fetches the stored file afresh, and a save is stored
// in its own transaction, whose failure the program hears of.
//
// Also here: the check of a file loaded into the page, and the list it replaced, which stays
// to be downloaded until the next reload (carried across the reload that applies the loaded
// one in sessionStorage).
(function () {
  'use strict';
  var DB_NAME = '/numerion';
  var DB_VERSION = 21;
  var STORE = 'FILE_DATA';
  var FOLDER = '/numerion';
  var FILE = FOLDER + '/Highscore.rnk';
  var LOCK = 'numerion-highscore';
  var FILE_SIZE = 4400;
  var RECORD = 44;
  // IndexedDB has no time limit of its own: a quota or a broken database may leave a request
  // unanswered, and the program must not wait for ever.
  var IDB_TIMEOUT_MS = 10000;
  // A tab holds the lock only for one use of the file, each step of it limited as above.
  var LOCK_TIMEOUT_MS = 30000;
  // Kept in sessionStorage across the reload that applies a loaded list.
  var LOADED_KEY = 'numerion.loadedFile';
  var PREVIOUS_KEY = 'numerion.replacedFile';

  var db = null;
  var release = null;
  var previous = null;

  function settle(ms, start) {
    return new Promise(function (resolve) {
      var done = false;
      var timer = setTimeout(function () { finish(undefined); }, ms);
      function finish(value) {
        if (done) return;
        done = true;
        clearTimeout(timer);
        resolve(value);
      }
      start(finish);
    });
  }

  function openDatabase() {
    return settle(IDB_TIMEOUT_MS, function (finish) {
      var request;
      try {
        request = indexedDB.open(DB_NAME, DB_VERSION);
      } catch (err) {
        finish(null);
        return;
      }
      request.onupgradeneeded = function () {
        var store = request.result.objectStoreNames.contains(STORE)
          ? request.transaction.objectStore(STORE)
          : request.result.createObjectStore(STORE);
        if (!store.indexNames.contains('timestamp')) store.createIndex('timestamp', 'timestamp', {unique: false});
      };
      request.onsuccess = function () { finish(request.result); };
      request.onerror = function (e) { e.preventDefault(); finish(null); };
      request.onblocked = function () { finish(null); };
    }).then(function (opened) { return opened || null; });
  }

  // The stored entry of a path: {found: true, entry} (entry undefined: none stored), or
  // {found: false} when IndexedDB did not answer.
  function readEntry(path) {
    return settle(IDB_TIMEOUT_MS, function (finish) {
      try {
        var tx = db.transaction(STORE, 'readonly');
        var request = tx.objectStore(STORE).get(path);
        tx.oncomplete = function () { finish({found: true, entry: request.result}); };
        tx.onerror = function (e) { e.preventDefault(); finish({found: false}); };
        tx.onabort = function () { finish({found: false}); };
      } catch (err) {
        finish({found: false});
      }
    }).then(function (read) { return read || {found: false}; });
  }

  // True once IndexedDB has confirmed the entry on the disk; false on an error, an abort (the
  // quota) or no answer, and then the transaction is aborted so that it cannot land later.
  function writeEntry(path, entry) {
    var tx = null;
    return settle(IDB_TIMEOUT_MS, function (finish) {
      try {
        tx = db.transaction(STORE, 'readwrite', {durability: 'strict'});
        tx.objectStore(STORE).put(entry, path);
        tx.oncomplete = function () { finish(true); };
        tx.onerror = function (e) { e.preventDefault(); finish(false); };
        tx.onabort = function () { finish(false); };
      } catch (err) {
        finish(false);
      }
    }).then(function (written) {
      if (written) return true;
      try { if (tx) tx.abort(); } catch (err) { /* already finished */ }
      return false;
    });
  }

  function isDirectory(mode) { return (mode & 0xF000) === 0x4000; }

  // The stored entry into the folder: a file, a directory of that name, or nothing.
  function putInFolder(path, entry) {
    try {
      var node = null;
      try { node = FS.stat(path); } catch (err) { /* none there */ }
      if (!entry) {
        if (node && !isDirectory(node.mode)) FS.unlink(path);
        return;
      }
      if (isDirectory(entry.mode)) {
        if (node && !isDirectory(node.mode)) FS.unlink(path);
        if (!node || !isDirectory(node.mode)) FS.mkdir(path);
        return;
      }
      if (node && isDirectory(node.mode)) FS.rmdir(path);
      FS.writeFile(path, entry.contents);
      FS.chmod(path, entry.mode & 0x1FF);
      FS.utime(path, entry.timestamp.getTime(), entry.timestamp.getTime());
    } catch (err) {
      console.warn('numerion: the stored highscore file could not be put in place', err);
    }
  }

  function bytesOf(path) {
    try {
      return FS.readFile(path);
    } catch (err) {
      return null;
    }
  }

  function fromBase64(text) {
    var raw = atob(text), bytes = new Uint8Array(raw.length);
    for (var i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }

  function toBase64(bytes) {
    var raw = '';
    for (var i = 0; i < bytes.length; i += 8192)
      raw += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    return btoa(raw);
  }

  // Takes a value left in sessionStorage by the page before its reload; null when none.
  function takeCarried(key) {
    try {
      var text = sessionStorage.getItem(key);
      sessionStorage.removeItem(key);
      return text === null ? null : fromBase64(text);
    } catch (err) {
      return null;
    }
  }

  function carry(key, bytes) {
    try {
      sessionStorage.setItem(key, toBase64(bytes));
      return true;
    } catch (err) {
      return false;
    }
  }

  // --- a loaded file ------------------------------------------------------------------------

  // The date and time field as the game writes it: "TT.MM.JJJJ - hh:mm:ss" and a zero, or
  // without a clock ".. - ", or all zeros (a place that a short file left empty).
  function dateTimeOk(bytes, at) {
    var text = String.fromCharCode.apply(null, bytes.subarray(at, at + 21));
    if (bytes[at + 21] !== 0) return false;
    if (/^\d\d\.\d\d\.\d\d\d\d - \d\d:\d\d:\d\d$/.test(text)) return true;
    var rest = bytes.subarray(at + 5, at + 21);
    var zeros = rest.every(function (b) { return b === 0; });
    if (text.slice(0, 5) === '.. - ' && zeros) return true;
    return bytes.subarray(at, at + 22).every(function (b) { return b === 0; });
  }

  // Why these bytes are no highscore list, or '' when they are one.
  function problemOf(bytes) {
    if (bytes.length !== FILE_SIZE)
      return 'sie hat ' + bytes.length + ' Bytes, eine Bestenliste genau ' + FILE_SIZE + '.';
    var view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    for (var place = 1; place <= 100; ++place) {
      var at = (place - 1) * RECORD;
      if (view.getInt32(at, true) < 0) return 'Platz ' + place + ' hat negative Punkte.';
      if (bytes[at + 19] !== 0) return 'der Name auf Platz ' + place + ' ist zu lang.';
      if (!dateTimeOk(bytes, at + 20))
        return 'Platz ' + place + ' hat kein Datum der Form TT.MM.JJJJ - hh:mm:ss.';
    }
    return '';
  }

  Module.numerionStore = {
    // Before the program starts: the stored file into the folder. note(text) says below the
    // grid what the page could not do. Resolves when the program may start.
    open: function (note) {
      FS.mkdir(FOLDER);
      FS.chdir(FOLDER);
      previous = takeCarried(PREVIOUS_KEY);
      var loaded = takeCarried(LOADED_KEY);
      var useIdb = false;
      try { useIdb = typeof indexedDB !== 'undefined' && indexedDB !== null; } catch (err) {}
      var ready = useIdb ? openDatabase() : Promise.resolve(null);
      return ready.then(function (opened) {
        db = opened;
        if (!db) {
          note('IndexedDB ist hier nicht nutzbar (privates Fenster?): die Bestenliste gilt nur für diese Sitzung.');
          if (loaded) FS.writeFile(FILE, loaded);
          return null;
        }
        return readEntry(FILE).then(function (read) {
          if (!read.found) note('Die gespeicherte Bestenliste ließ sich nicht lesen.');
          else putInFolder(FILE, read.entry);
        });
      });
    },

    // Asks the browser to keep IndexedDB for good: without that it may clear it when space
    // runs short (Safari after seven days without a visit). Resolves to '' when it is kept
    // (or there is no IndexedDB to keep), else to what the player should know.
    keep: function () {
      var save = ' „Bestenliste herunterladen“ sichert sie.';
      if (!db) return Promise.resolve('');
      if (!navigator.storage || !navigator.storage.persist)
        return Promise.resolve('Dieser Browser kann nicht zusagen, die Bestenliste auf Dauer zu behalten:' + save);
      return navigator.storage.persisted().then(function (kept) {
        return kept || navigator.storage.persist();
      }).then(function (kept) {
        return kept ? '' : 'Der Browser hat abgelehnt, die Bestenliste auf Dauer zu behalten; ' +
                           'bei Platzmangel darf er sie löschen.' + save;
      }, function () {
        return 'Der Browser sagt nicht, ob er die Bestenliste auf Dauer behält.' + save;
      });
    },

    // Whether the list lives in IndexedDB (else only in this tab, for this session).
    persistent: function () { return db !== null; },

    // The lock across tabs, then the stored file afresh. A tab that cannot have the lock in
    // time (one that hangs) is waited for no longer.
    lock: function () {
      var got = new Promise(function (resolve) {
        if (!navigator.locks || !navigator.locks.request) { resolve(); return; }
        var timeout = new AbortController();
        var timer = setTimeout(function () { timeout.abort(); }, LOCK_TIMEOUT_MS);
        navigator.locks.request(LOCK, {signal: timeout.signal}, function () {
          clearTimeout(timer);
          return new Promise(function (done) {
            release = done;
            resolve();
          });
        }).catch(function () { resolve(); });
      });
      return got.then(function () {
        if (!db) return null;
        return readEntry(FILE).then(function (read) { if (read.found) putInFolder(FILE, read.entry); });
      });
    },

    unlock: function () {
      var done = release;
      release = null;
      if (done) done();
    },

    // The file under path (relative to the folder) into IndexedDB; resolves true once it is
    // confirmed there (or there is no IndexedDB to keep it), else false.
    store: function (path) {
      if (!db) return Promise.resolve(true);
      var full = path.charAt(0) === '/' ? path : FS.cwd() + '/' + path;
      var contents, stat;
      try {
        contents = FS.readFile(full);
        stat = FS.stat(full);
      } catch (err) {
        return Promise.resolve(false);
      }
      return writeEntry(full, {timestamp: stat.mtime, mode: stat.mode, contents: contents});
    },

    // The file as the program has it now, or null.
    current: function () { return bytesOf(FILE); },
    // The list a loaded one replaced, until the next reload; or null.
    previous: function () { return previous; },
    problemOf: problemOf,

    // A checked list in place of the current one, under the lock: stored, and kept for the
    // program's start-up after the reload. Resolves to '' or what went wrong.
    replace: function (bytes) {
      var self = this;
      return self.lock().then(function () {
        var old = bytesOf(FILE);
        var stored = db ? writeEntry(FILE, {timestamp: new Date(), mode: 0x81B6, contents: bytes})
                        : Promise.resolve(true);
        return stored.then(function (ok) {
          if (!ok) return 'IndexedDB hat die Bestenliste nicht gespeichert';
          putInFolder(FILE, {timestamp: new Date(), mode: 0x81B6, contents: bytes});
          if (old) previous = old;
          return '';
        });
      }).then(function (problem) {
        self.unlock();
        return problem;
      }, function (err) {
        self.unlock();
        throw err;
      });
    },

    // Leaves what must outlive the reload in sessionStorage: the replaced list, and without
    // IndexedDB the list itself. False when the browser refuses it.
    carryAcrossReload: function () {
      var file = bytesOf(FILE);
      if (!db && file && !carry(LOADED_KEY, file)) return false;
      return !previous || carry(PREVIOUS_KEY, previous);
    },
  };
})();
