// The style sheet and the script every page of a report links to. Both are
// self-contained: system fonts, nothing from the network. The script only
// adds to pages that are complete without it: sorting and filtering the
// index's table of files, and the keys n / p between lost items.
#include "report/html_pages.h"

namespace korvcmp {

const std::string_view kStyleSheet = R"css(/* korvcmp-report */
:root {
  color-scheme: light dark;
  --bg: #ffffff; --fg: #1f2328; --muted: #59636e; --line: #d1d9e0; --head: #f6f8fa;
  --accent: #0969da; --dir: #eef2f6; --lost: #cf222e; --lost-bg: #ffebe9; --new: #1a7f37;
  --new-bg: #dafbe1; --warn: #9a6700; --warn-bg: #fff8c5; --bar: #2da44e; --track: #d1d9e0;
  --cur: #fff3b0;
}
@media (prefers-color-scheme: dark) {
  :root {
    --bg: #0d1117; --fg: #e6edf3; --muted: #9198a1; --line: #30363d; --head: #161b22;
    --accent: #4493f8; --dir: #1c232c; --lost: #ff7b72; --lost-bg: #3d1418; --new: #3fb950;
    --new-bg: #12361f; --warn: #d29922; --warn-bg: #2e2610; --bar: #3fb950; --track: #30363d;
    --cur: #4b3f07;
  }
}
* { box-sizing: border-box; }
[hidden] { display: none !important; }
html { background: var(--bg); color: var(--fg); }
body {
  margin: 0 auto; padding: 1.5rem 2rem 3rem; max-width: 110rem;
  font: 15px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, "Helvetica Neue", Arial, sans-serif;
}
a { color: var(--accent); text-decoration: none; }
a:hover, a:focus { text-decoration: underline; }
h1 { font-size: 1.6rem; margin: .2rem 0; overflow-wrap: anywhere; }
h2 { font-size: 1.15rem; margin: 1.8rem 0 .6rem; }
small { color: var(--muted); font-size: .85em; }
kbd { font: .85em ui-monospace, SFMono-Regular, Menlo, Consolas, "Liberation Mono", monospace;
  border: 1px solid var(--line); border-bottom-width: 2px; border-radius: 4px; padding: 0 .3em; }
.top { border-bottom: 1px solid var(--line); padding-bottom: .8rem; }
.up { font-size: .9rem; }
.st, .nav, .why { color: var(--muted); margin: .3rem 0; }
.why { color: var(--fg); background: var(--warn-bg); border-left: 4px solid var(--warn);
  padding: .5rem .8rem; margin: 1rem 0; }
.warn { background: var(--warn-bg); border: 1px solid var(--warn); border-left-width: 6px;
  border-radius: 6px; padding: .2rem 1rem; margin: 1rem 0; }
.warn h2 { margin: .6rem 0 .2rem; color: var(--warn); }
.cards { display: flex; flex-wrap: wrap; gap: .7rem; margin: 1rem 0; }
.card { border: 1px solid var(--line); border-radius: 8px; padding: .5rem .9rem; min-width: 9rem;
  background: var(--head); }
.card span { display: block; color: var(--muted); font-size: .8rem; text-transform: uppercase;
  letter-spacing: .03em; }
.card b { font-size: 1.35rem; font-variant-numeric: tabular-nums; }
.card.alarm { border-color: var(--lost); border-left-width: 6px; }
.card.alarm b { color: var(--lost); }
.wrap { overflow-x: auto; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
th, td { padding: .25rem .6rem; border-bottom: 1px solid var(--line); vertical-align: top; }
thead th { background: var(--head); text-align: left; border-bottom: 2px solid var(--line);
  white-space: nowrap; }
.files thead th, .pl thead th { position: sticky; top: 0; z-index: 1; }
.runs th[scope=row] { text-align: left; color: var(--muted); font-weight: 600; }
.runs td { overflow-wrap: anywhere; min-width: 16rem; }
/* A fixed layout keeps sorting and filtering thousands of rows quick. */
.files { width: 100%; min-width: 62rem; table-layout: fixed; }
.files th:nth-child(1) { width: 22%; }
.files th:nth-child(2) { width: 11%; }
.files th:nth-child(3) { width: 15%; }
.files th:nth-child(4), .files th:nth-child(5), .files th:nth-child(6) { width: 7%; }
.files th:nth-child(7) { width: 14%; }
.files td + td, .files th + td { white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
.files td:nth-child(n+4):nth-child(-n+6), .files th:nth-child(n+4):nth-child(-n+6) { text-align: right; }
.files tr.dir th, .files tr.dir td { background: var(--dir); font-weight: 600; }
.files tr.dir th { text-align: left; overflow-wrap: anywhere; }
.files tr:not(.dir) td:first-child { padding-left: 1.6rem; overflow-wrap: anywhere; }
.files tr.ll td:first-child { box-shadow: inset 4px 0 var(--lost); }
.files tr.rm td:first-child { text-decoration: line-through; }
.files tr.rm td, .files tr.nc td { color: var(--muted); }
.files tr.rm td:last-child::before { content: "✖ "; color: var(--lost); }
.neg { color: var(--lost); font-weight: 700; }
.neg::before { content: "▼ "; font-size: .75em; }
.bar { --q: -10%; display: inline-block; width: 4.5rem; padding-bottom: 5px; text-align: right;
  font-weight: 600; background-repeat: no-repeat; background-position: bottom;
  background-size: 100% 5px;
  background-image:
    linear-gradient(to right, transparent calc(var(--q) - 1px), var(--fg) calc(var(--q) - 1px),
      var(--fg) calc(var(--q) + 1px), transparent calc(var(--q) + 1px)),
    linear-gradient(to right, var(--bar) var(--p), var(--track) var(--p)); }
button.sort { font: inherit; color: inherit; background: none; border: 0; padding: 0;
  cursor: pointer; font-weight: 700; }
th[aria-sort=ascending] button.sort::after { content: " ▲"; }
th[aria-sort=descending] button.sort::after { content: " ▼"; }
.tools { display: flex; flex-wrap: wrap; gap: 1rem; align-items: center; margin: .5rem 0; }
.tools input[type=search] { font: inherit; padding: .25rem .5rem; border: 1px solid var(--line);
  border-radius: 6px; background: var(--bg); color: var(--fg); min-width: 16rem; }
#shown { color: var(--muted); }
.fn td:nth-child(n+2) { text-align: right; white-space: nowrap; }
.fn td:first-child { overflow-wrap: anywhere; }
.pl { font: 13px/1.35 ui-monospace, SFMono-Regular, Menlo, Consolas, "Liberation Mono", monospace; }
.pl td { padding: 0 .45rem; border-bottom: 0; text-align: right; white-space: pre; }
.pl thead th { font-family: system-ui, sans-serif; font-size: .8rem; }
.pl td:first-child { color: var(--muted); border-right: 1px solid var(--line); }
.pl.c1 td:nth-child(4), .pl.c1 th:nth-child(4) { border-left: 1px solid var(--line); }
.pl.c1 td:nth-child(n+9), .pl:not(.c1) td:nth-child(n+7), .pl tr.d td { text-align: left; }
.pl.c1 td:nth-child(-n+3) { color: var(--muted); }
.pl tr.d td { color: var(--muted); font-style: italic; }
.pl tr[id^="F"] td { font-weight: 700; border-top: 1px solid var(--line); padding-top: .3rem; }
.pl tr:hover td { background: var(--head); }
.pl tr:has(.lost) td { background: var(--lost-bg); }
.pl tr:has(.lost) td:first-child { box-shadow: inset 4px 0 var(--lost); }
.pl tr.cur td, .pl tr:target td, .pl tr:has(td:target) td { background: var(--cur); }
.lost, .new, .sample-lost, .sample-new { display: inline-block; min-width: 1.1em; padding: 0 .2em;
  border-radius: 3px; font-weight: 700; text-align: center;
  font-family: ui-monospace, SFMono-Regular, Menlo, Consolas, monospace; }
.lost, .sample-lost { color: #fff; background: var(--lost); outline: 1px solid var(--lost); }
.new, .sample-new { color: var(--new); background: var(--new-bg); outline: 1px solid var(--new); }
.lost:focus { outline: 3px solid var(--accent); outline-offset: 1px; }
.nv a { padding: 0 .25em; font-family: system-ui, sans-serif; }
.vh { position: absolute; width: 1px; height: 1px; overflow: hidden; clip: rect(0 0 0 0); }
/* The aligned lines of an edited or moved file: line, old line, counts of run 1 and 2, flag,
   change, description. Added and deleted rows also say so in the change column. */
.pl.al td:nth-child(-n+9) { text-align: right; }
.pl.al td:nth-child(n+10), .pl.al tr.d td { text-align: left; }
.pl.al td:nth-child(5), .pl.al th:nth-child(5) { border-left: 1px solid var(--line); }
.pl.al td:nth-child(-n+4) { color: var(--muted); }
.pl tr.added td:first-child { box-shadow: inset 4px 0 var(--new); }
.pl tr.added td:nth-child(10) { color: var(--new); font-weight: 700; }
.pl tr.deleted td { color: var(--muted); }
.pl tr.deleted td:first-child { box-shadow: inset 4px 0 var(--muted); }
.pl tr.deleted td:nth-child(11) { text-decoration: line-through; }
@media print {
  :root { --bg: #fff; --fg: #000; --muted: #444; --head: #fff; --dir: #eee; --cur: #fff;
    --lost-bg: #fff; --new-bg: #fff; }
  body { padding: 0; max-width: none; font-size: 10pt; }
  .tools, .keys, .nv, .up { display: none; }
  thead th { position: static; }
  .wrap { overflow: visible; }
  .pl td { white-space: pre-wrap; }
  .lost, .sample-lost { color: #000; background: #fff; outline: 2px solid #000; }
  tr { break-inside: avoid; }
  a { color: inherit; }
}
)css";

const std::string_view kScript =
    R"js(/* korvcmp-report: sorting and filtering the files, n / p between lost items. */
(function () {
  'use strict';

  function each(list, f) { Array.prototype.forEach.call(list, f); }

  function sortKey(cell, numeric) {
    var text = cell ? cell.textContent.trim() : '';
    if (!numeric) return text.toLowerCase();
    var n = parseFloat(text.replace('\u2212', '-'));
    return isNaN(n) ? -Infinity : n;
  }

  // The index: one tbody per directory, its first row the directory's sums.
  function setUpIndex(table) {
    var groups = Array.prototype.slice.call(table.tBodies);
    var files = [];
    groups.forEach(function (group) {
      var dir = group.getAttribute('data-dir') || '';
      each(group.rows, function (row) {
        if (row.classList.contains('dir')) return;
        files.push({ row: row, group: group, lost: row.classList.contains('ll'),
                     path: ((dir ? dir + '/' : '') + row.cells[0].textContent).toLowerCase() });
      });
    });

    var headers = table.tHead.rows[0].cells;
    var sortedBy = -1;
    var ascending = true;
    function sortBy(column, numeric) {
      var sign = ascending ? 1 : -1;
      function byKey(a, b) {
        return a.key < b.key ? -sign : a.key > b.key ? sign : a.order - b.order;
      }
      var keyed = groups.map(function (group, order) {
        var rows = [];
        each(group.rows, function (row, i) {
          if (i > 0) rows.push({ row: row, key: sortKey(row.cells[column], numeric), order: i });
        });
        rows.sort(byKey);
        var fragment = document.createDocumentFragment();
        rows.forEach(function (entry) { fragment.appendChild(entry.row); });
        group.appendChild(fragment);
        return { group: group, key: sortKey(group.rows[0].cells[column], numeric), order: order };
      });
      keyed.sort(byKey);
      var fragment = document.createDocumentFragment();
      keyed.forEach(function (entry) { fragment.appendChild(entry.group); });
      table.appendChild(fragment);
      groups = keyed.map(function (entry) { return entry.group; });
    }
    each(headers, function (th, column) {
      var button = document.createElement('button');
      button.type = 'button';
      button.className = 'sort';
      while (th.firstChild) button.appendChild(th.firstChild);
      th.appendChild(button);
      th.setAttribute('aria-sort', 'none');
      button.addEventListener('click', function () {
        var numeric = th.getAttribute('data-sort') === 'number';
        ascending = sortedBy === column ? !ascending : !numeric;
        sortedBy = column;
        sortBy(column, numeric);
        each(headers, function (other) { other.setAttribute('aria-sort', 'none'); });
        th.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
      });
    });

    var filter = document.getElementById('filter');
    var onlyLost = document.getElementById('onlylost');
    var shown = document.getElementById('shown');
    var pending = false;
    function apply() {
      pending = false;
      var wanted = filter.value.trim().toLowerCase();
      var lostOnly = onlyLost.checked;
      var visible = 0;
      var groupsShown = new Set();
      files.forEach(function (file) {
        var show = (!wanted || file.path.indexOf(wanted) >= 0) && (!lostOnly || file.lost);
        if (file.row.hidden === show) file.row.hidden = !show;
        if (show) { ++visible; groupsShown.add(file.group); }
      });
      groups.forEach(function (group) { group.hidden = !groupsShown.has(group); });
      shown.textContent = wanted || lostOnly ? visible + ' of ' + files.length + ' files shown'
                                             : files.length + ' files';
    }
    function schedule() {
      if (!pending) { pending = true; window.requestAnimationFrame(apply); }
    }
    filter.addEventListener('input', schedule);
    onlyLost.addEventListener('change', schedule);
    document.getElementById('tools').hidden = false;
    apply();
  }

  // A file page: n and p go to the next and previous lost item.
  function setUpLostKeys() {
    var items = document.querySelectorAll('.lost');
    var at = -1;
    var current = null;
    function mark(i, scroll) {
      at = i;
      var item = items[i];
      var row = item.closest('tr');
      if (current) current.classList.remove('cur');
      if (row) { row.classList.add('cur'); current = row; }
      item.tabIndex = -1;
      if (scroll) item.scrollIntoView({ block: 'center' });
      item.focus({ preventScroll: true });
    }
    function fromHash() {
      var found = /^#lost(\d+)$/.exec(window.location.hash);
      var i = found ? parseInt(found[1], 10) - 1 : -1;
      if (i >= 0 && i < items.length) mark(i, true);
    }
    window.addEventListener('hashchange', fromHash);
    fromHash();
    document.addEventListener('keydown', function (event) {
      if (event.ctrlKey || event.metaKey || event.altKey || !items.length) return;
      var target = event.target;
      if (target && (target.isContentEditable || /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName))) {
        return;
      }
      if (event.key === 'n') {
        mark(Math.min(at + 1, items.length - 1), true);
      } else if (event.key === 'p') {
        mark(at < 0 ? items.length - 1 : Math.max(at - 1, 0), true);
      } else {
        return;
      }
      event.preventDefault();
    });
  }

  function start() {
    var files = document.getElementById('files');
    if (files) setUpIndex(files);
    if (document.querySelector('table.pl')) setUpLostKeys();
  }
  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', start);
  } else {
    start();
  }
})();
)js";

}  // namespace korvcmp
