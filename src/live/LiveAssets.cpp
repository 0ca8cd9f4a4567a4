#include "live/LivePages.h"

namespace vk {

// High contrast and large type: the pages are read outdoors on phones.
const char* const kLiveCss = R"CSS(
*{box-sizing:border-box}
body{margin:0;padding:.5rem;font:18px/1.35 system-ui,sans-serif;background:#000;color:#fff}
a{color:#ffd400}
nav{display:flex;gap:1rem;margin-bottom:.5rem;font-size:1.1rem}
h1{font-size:1.5rem;margin:.25rem 0}
h2{font-size:1.2rem;margin:.75rem 0 .25rem}
.hinweis{background:#402000;color:#ffd9a0;padding:.4rem;border-radius:.3rem}
#rennen{display:grid;grid-template-columns:1fr;gap:.5rem}
@media (min-width:700px){#rennen{grid-template-columns:1fr 1fr}}
.bahn{border:2px solid #555;border-radius:.5rem;padding:.5rem}
.bahn h2{margin:0;font-size:1rem;color:#aaa}
.bahn .name{font-size:1.4rem;font-weight:bold}
.bahn .kopf{display:flex;gap:1rem;flex-wrap:wrap;color:#ccc}
.uhr{font:bold 3.2rem/1.1 ui-monospace,monospace;color:#0ff;text-align:right}
.laeuft .uhr{color:#ffd400}
.werte{display:grid;grid-template-columns:auto 1fr;gap:.1rem .75rem;margin:.4rem 0}
.werte dt{color:#aaa}.werte dd{margin:0;font-weight:bold;text-align:right}
.sieg{background:#0a0;color:#fff;padding:.1rem .5rem;border-radius:.3rem;font-weight:bold}
.fehl{background:#c00;color:#fff;padding:.1rem .5rem;border-radius:.3rem;font-weight:bold}
.laeufe{list-style:none;padding-left:0}.laeufe li{margin:.2rem 0}
.breit{overflow-x:auto}
table{border-collapse:collapse;width:100%}
th,td{border-bottom:1px solid #444;padding:.3rem .4rem;text-align:left;white-space:nowrap}
th{cursor:pointer;background:#222;position:sticky;top:0}
th.auf::after{content:" ▲"}th.ab::after{content:" ▼"}
.filter a{display:inline-block;padding:.2rem .5rem;margin:.1rem;border:1px solid #ffd400;border-radius:.3rem;text-decoration:none}
.filter a.aktiv{background:#ffd400;color:#000}
.zeitkarte{border:2px solid #555;border-radius:.5rem;padding:.75rem;max-width:30rem}
)CSS";

// The start page runs each lane's clock from the start instant the server sent; the server
// pushes events over the socket, never clock ticks. Without a socket it asks every 2 s.
const char* const kLiveJs = R"JS('use strict';
(function () {
  var page = document.body.getAttribute('data-page');
  function el(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined) e.textContent = text;
    return e;
  }
  function fmt(ms) {
    if (ms < 0) ms = 0;
    var s = Math.floor(ms / 1000), m = ms % 1000;
    return s + ',' + ('00' + m).slice(-3);
  }

  // Tapping a heading sorts by that column, numbers as numbers (decimal comma), empty last.
  function sortable(table) {
    var heads = table.querySelectorAll('th');
    function key(td) {
      var t = td ? td.textContent.trim() : '';
      var n = t.replace(',', '.');
      return t === '' ? null : (/^-?\d+(\.\d+)?$/.test(n) ? parseFloat(n) : t.toLowerCase());
    }
    Array.prototype.forEach.call(heads, function (th, col) {
      th.addEventListener('click', function () {
        var up = !th.classList.contains('auf');
        Array.prototype.forEach.call(heads, function (h) { h.classList.remove('auf', 'ab'); });
        th.classList.add(up ? 'auf' : 'ab');
        var body = table.tBodies[0];
        var rows = Array.prototype.slice.call(body.rows);
        rows.sort(function (a, b) {
          var x = key(a.cells[col]), y = key(b.cells[col]);
          if (x === null || y === null) return x === y ? 0 : (x === null ? 1 : -1);
          var r = (typeof x === typeof y) ? (x < y ? -1 : x > y ? 1 : 0) : (typeof x === 'number' ? -1 : 1);
          return up ? r : -r;
        });
        rows.forEach(function (r) { body.appendChild(r); });
      });
    });
  }
  Array.prototype.forEach.call(document.querySelectorAll('table.sortierbar'), sortable);
  if (page !== 'start') return;

  var main = document.getElementById('rennen');
  var note = document.getElementById('verbindung');
  var state = null, offset = 0, clock = null, poll = null, socket = null;

  function now() { return performance.now() - offset; }
  function elapsed(lane) { return ((now() - lane.startTick) | 0); }
  function name(x) { return [x.vorname, x.name].filter(function (s) { return s; }).join(' '); }

  function renderLane(box, l) {
    box.textContent = '';
    box.className = 'bahn ' + l.phase;
    box.appendChild(el('h2', '', 'Bahn ' + l.bahn));
    var kopf = el('div', 'kopf');
    kopf.appendChild(el('span', 'nr', 'Nr. ' + l.nr));
    if (l.klasse) kopf.appendChild(el('span', 'klasse', 'Kl. ' + l.klasse));
    if (l.bereit) kopf.appendChild(el('span', 'bereit', 'Bereit: ' + l.bereit));
    box.appendChild(kopf);
    box.appendChild(el('div', 'name', name(l) || '\u00a0'));
    var uhr = el('div', 'uhr', '0,000');
    uhr.setAttribute('data-bahn', l.bahn);
    if (l.phase === 'fertig') uhr.textContent = l.fehlstart ? '-' : (l.geszeit || '0,000');
    box.appendChild(uhr);
    if (l.phase === 'fertig') {
      var dl = el('dl', 'werte');
      [['RZ', l.rz], ['ZZ', l.zz], ['Km/h', l.kmh], ['FZ', l.fz], ['Geszeit', l.geszeit]].forEach(function (p) {
        dl.appendChild(el('dt', '', p[0]));
        dl.appendChild(el('dd', '', p[1]));
      });
      box.appendChild(dl);
      if (l.fehlstart) box.appendChild(el('span', 'fehl', 'Fehlstart'));
      else if (l.win) box.appendChild(el('span', 'sieg', 'Sieg'));
    }
  }

  function renderRuns(runs) {
    var list = document.getElementById('laeufe');
    list.textContent = '';
    runs.forEach(function (r) {
      var li = el('li');
      var a = el('a', '', 'Lauf ' + r.lauf);
      a.href = '/lauf/' + r.lauf;
      li.appendChild(a);
      li.appendChild(document.createTextNode(' Nr. ' + r.nr + ' ' + name(r) + ': ' +
        (r.fehlstart ? 'Fehlstart' : r.geszeit + ' s') + (r.win ? ' · Sieg' : '')));
      list.appendChild(li);
    });
  }

  function tick() {
    var running = false;
    state.bahnen.forEach(function (l) {
      if (l.phase !== 'laeuft') return;
      running = true;
      var uhr = main.querySelector('.uhr[data-bahn="' + l.bahn + '"]');
      if (uhr) uhr.textContent = fmt(elapsed(l));
    });
    if (!running && clock) { clearInterval(clock); clock = null; }
  }

  function apply(message) {
    offset = performance.now() - message.tick;
    state = message.state;
    document.getElementById('titel').textContent = state.titel;
    document.title = 'Live – ' + state.titel;
    renderLane(document.getElementById('bahn1'), state.bahnen[0]);
    renderLane(document.getElementById('bahn2'), state.bahnen[1]);
    renderRuns(state.laeufe);
    if (!clock) clock = setInterval(tick, 47);
    tick();
  }

  function say(text) { note.textContent = text; note.hidden = !text; }

  function startPolling() {
    if (poll) return;
    say('Keine Live-Verbindung: die Seite fragt alle 2 Sekunden nach.');
    poll = setInterval(function () {
      fetch('/api/state', { cache: 'no-store' }).then(function (r) { return r.json(); }).then(apply)
        .catch(function () { say('Keine Verbindung zum Zeitnahme-PC. Neuer Versuch in 2 Sekunden.'); });
    }, 2000);
  }

  function connect() {
    if (socket) return;
    try {
      socket = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/ws');
    } catch (e) { socket = null; startPolling(); setTimeout(connect, 10000); return; }
    socket.onopen = function () {
      if (poll) { clearInterval(poll); poll = null; }
      say('');
    };
    socket.onmessage = function (e) { apply(JSON.parse(e.data)); };
    socket.onclose = function () { socket = null; startPolling(); setTimeout(connect, 10000); };
  }

  apply(JSON.parse(main.getAttribute('data-state')));
  connect();
})();
)JS";

} // namespace vk
