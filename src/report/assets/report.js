/* korvcmp-report: sorting and filtering the files, n / p between lost items. */
(function () {
  'use strict';

  // Loaded in the head before the body: the style sheet leaves the index's
  // rows out of the page's layout while it loads (class js), since the
  // script shows them itself; without the script they are shown as they come.
  document.documentElement.classList.add('js');

  function each(list, f) { Array.prototype.forEach.call(list, f); }

  // A cell's sort key: numbers from their first figure ("64.4% (96/149)",
  // "−2.9", "1,234"), "—" below every number; text in lower case.
  function sortKey(cell, numeric) {
    var text = cell ? cell.textContent.trim() : '';
    if (!numeric) return text.toLowerCase();
    var n = parseFloat(text.replace('\u2212', '-').replace(/,/g, ''));
    return isNaN(n) ? -Infinity : n;
  }

  // The index. The page holds every row, one tbody per directory with the
  // directory's sums first, so that it is whole without the script. The
  // script takes the rows out and shows only those in view, in one tbody
  // between two spacers of the height of the rows left out: sorting and
  // filtering then only reorder arrays, whatever the number of files.
  function setUpIndex(table) {
    var groups = [];
    var files = [];
    Array.prototype.slice.call(table.tBodies).forEach(function (body, order) {
      var dir = body.getAttribute('data-dir') || '';
      var group = { row: body.rows[0], files: [], keys: [dir.toLowerCase()], order: order };
      // The directory's files counted in full where its cell cuts them off.
      var count = group.row.cells[group.row.cells.length - 1];
      count.title = count.textContent;
      groups.push(group);
      for (var i = 1; i < body.rows.length; ++i) {
        var row = body.rows[i];
        var name = row.cells[0].textContent.toLowerCase();
        var file = { row: row, group: group, keys: [name], order: files.length,
                     lost: row.classList.contains('ll'),
                     path: (dir ? dir.toLowerCase() + '/' : '') + name };
        files.push(file);
        group.files.push(file);
      }
      table.removeChild(body);
    });
    var view = table.appendChild(document.createElement('tbody'));
    var above = document.createElement('tr');
    var below = document.createElement('tr');
    [above, below].forEach(function (spacer) {
      spacer.className = 'sp';
      spacer.setAttribute('aria-hidden', 'true');
      spacer.appendChild(document.createElement('td')).colSpan = 7;
    });
    table.classList.add('v');

    var shownRows = [];   // the rows as they stand after sorting and filtering
    var rowHeight = 0;
    var first = -1;
    var last = -1;
    function render(force) {
      if (!rowHeight) {
        var probe = shownRows[0];
        if (!probe) { view.replaceChildren(); return; }
        view.replaceChildren(probe);
        rowHeight = probe.getBoundingClientRect().height || 36;
      }
      var top = view.getBoundingClientRect().top;
      var from = Math.max(0, Math.floor(-top / rowHeight) - 20);
      var to = Math.min(shownRows.length, from + Math.ceil(window.innerHeight / rowHeight) + 40);
      if (!force && from === first && to === last) return;
      first = from;
      last = to;
      above.firstChild.style.height = from * rowHeight + 'px';
      below.firstChild.style.height = (shownRows.length - to) * rowHeight + 'px';
      var rows = shownRows.slice(from, to);
      rows.unshift(above);
      rows.push(below);
      view.replaceChildren.apply(view, rows);
    }
    var renderPending = false;
    window.addEventListener('scroll', function () {
      if (!renderPending) {
        renderPending = true;
        window.requestAnimationFrame(function () { renderPending = false; render(false); });
      }
    }, { passive: true });
    window.addEventListener('resize', function () { render(true); });
    // A printed index holds every row the filter shows, not only those in view.
    window.addEventListener('beforeprint', function () {
      var all = document.createDocumentFragment();
      shownRows.forEach(function (row) { all.appendChild(row); });
      view.replaceChildren(all);
      first = last = -1;
    });
    window.addEventListener('afterprint', function () { render(true); });

    var filter = document.getElementById('filter');
    var onlyLost = document.getElementById('onlylost');
    var shown = document.getElementById('shown');
    // The rows in the groups' order, each group's files in theirs, without
    // the files the filter leaves out and the groups left empty.
    function arrange() {
      var wanted = filter.value.trim().toLowerCase();
      var lostOnly = onlyLost.checked;
      var visible = 0;
      shownRows = [];
      groups.forEach(function (group) {
        var rows = [group.row];
        group.files.forEach(function (file) {
          if ((!wanted || file.path.indexOf(wanted) >= 0) && (!lostOnly || file.lost)) {
            rows.push(file.row);
          }
        });
        if (rows.length > 1) {
          visible += rows.length - 1;
          Array.prototype.push.apply(shownRows, rows);
        }
      });
      shown.textContent = wanted || lostOnly ? visible + ' of ' + files.length + ' files shown'
                                             : files.length + ' files';
      render(true);
    }

    var headers = table.tHead.rows[0].cells;
    var sortedBy = -1;
    var ascending = true;
    // Each column's keys are read from the cells once, at its first sort.
    function keyOf(entry, row, column, numeric) {
      if (entry.keys[column] === undefined) entry.keys[column] = sortKey(row.cells[column], numeric);
      return entry.keys[column];
    }
    function sortBy(column, numeric) {
      var sign = ascending ? 1 : -1;
      function compare(a, b) {
        var x = keyOf(a, a.row, column, numeric);
        var y = keyOf(b, b.row, column, numeric);
        return x < y ? -sign : x > y ? sign : a.order - b.order;
      }
      groups.forEach(function (group) { group.files.sort(compare); });
      groups.sort(compare);
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
        arrange();
      });
    });

    var pending = false;
    function schedule() {
      if (!pending) {
        pending = true;
        window.requestAnimationFrame(function () { pending = false; arrange(); });
      }
    }
    filter.addEventListener('input', schedule);
    onlyLost.addEventListener('change', schedule);
    document.getElementById('tools').hidden = false;
    arrange();
  }

  // A file page: n and p go to the next and previous lost item. A long
  // section is split into parts, each a page of its own: the links of
  // nav.parts say which source lines and lost items each part holds, so that
  // an address of another part (#L120, #lost7) and n / p past the first or
  // last lost item of this part lead to the right page.
  function setUpLostKeys() {
    var items = document.querySelectorAll('.lost');
    var parts = Array.prototype.slice.call(document.querySelectorAll('nav.parts [data-part]'));
    var here = parts.filter(function (part) { return part.tagName === 'B'; })[0];
    var at = -1;
    var current = null;
    function numberOf(item) { return parseInt(item.id.slice(4), 10); }
    var firstNumber = items.length ? numberOf(items[0]) : 0;
    function range(part, kind) {
      var bounds = part.getAttribute('data-' + kind).split('-');
      return [parseInt(bounds[0], 10), parseInt(bounds[1], 10)];
    }
    // Leaves for the part holding `number` of `kind` (lines, lost); false
    // when no other part holds it.
    function goToPart(kind, number, hash) {
      for (var i = 0; i < parts.length; ++i) {
        var bounds = range(parts[i], kind);
        if (parts[i] !== here && number >= bounds[0] && number <= bounds[1] && bounds[0] > 0) {
          window.location.href = parts[i].getAttribute('data-part') + hash;
          return true;
        }
      }
      return false;
    }
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
      var hash = window.location.hash;
      var lost = /^#lost(\d+)$/.exec(hash);
      var line = /^#L(\d+)$/.exec(hash);
      if (lost) {
        var i = parseInt(lost[1], 10) - firstNumber;
        if (items.length && i >= 0 && i < items.length) {
          mark(i, true);
        } else {
          goToPart('lost', parseInt(lost[1], 10), hash);
        }
      } else if (line && !document.getElementById(hash.slice(1))) {
        goToPart('lines', parseInt(line[1], 10), hash);
      }
    }
    window.addEventListener('hashchange', fromHash);
    fromHash();
    // The browser brings an address into view once more when the page has
    // loaded: the item goes back to the middle after it.
    if (document.readyState !== 'complete') window.addEventListener('load', fromHash);
    // The lost item `number`, on this page or another part.
    function goToLost(number) {
      var i = number - firstNumber;
      if (items.length && i >= 0 && i < items.length) {
        mark(i, true);
        return true;
      }
      return number > 0 && goToPart('lost', number, '#lost' + number);
    }
    // The first lost item after this part (`after`) or the last before it.
    function nextPartsLost(after) {
      var index = parts.indexOf(here);
      for (var i = index + (after ? 1 : -1); i >= 0 && i < parts.length; i += after ? 1 : -1) {
        var bounds = range(parts[i], 'lost');
        if (bounds[0] > 0) return after ? bounds[0] : bounds[1];
      }
      return 0;
    }
    document.addEventListener('keydown', function (event) {
      if (event.ctrlKey || event.metaKey || event.altKey) return;
      if (!items.length && !parts.length) return;
      var target = event.target;
      if (target && (target.isContentEditable || /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName))) {
        return;
      }
      var last = firstNumber + items.length - 1;
      if (event.key === 'n') {
        var next = !items.length ? nextPartsLost(true) : at < 0 ? firstNumber : firstNumber + at + 1;
        if (!goToLost(next) && items.length) mark(items.length - 1, true);
      } else if (event.key === 'p') {
        var previous = !items.length ? nextPartsLost(false)
                     : at < 0 ? last : firstNumber + at - 1;
        if (!goToLost(previous) && items.length) mark(0, true);
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
