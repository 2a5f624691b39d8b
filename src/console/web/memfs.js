// Emscripten's in-memory files (3.1.6): a rename over a file leaves the file it replaced in
// the table of names, so that once the new file is deleted the name finds the old one again
// (a highscore table long outplayed). Here the replaced file leaves that table as well.
// Before every browser program of this project, the page's and the tests' under node.
Module.preRun = Module.preRun || [];
Module.preRun.push(function () {
  'use strict';
  var rename = FS.rename;
  FS.rename = function (from, to) {
    var replaced = null;
    try { replaced = FS.lookupPath(to).node; } catch (err) { /* nothing of that name */ }
    rename(from, to);
    if (replaced && replaced !== FS.lookupPath(to).node) FS.hashRemoveNode(replaced);
  };
});
