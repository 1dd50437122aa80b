/* korvcmp-report: sorting and filtering the files, n / p between lost items. */
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
