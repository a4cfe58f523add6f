#include "live_script.h"

namespace vantrel {

namespace {

// The page keeps the records the station holds (state) and those that come after (news), at
// most the station's history, and shows the newest of them: the calls table at most CallRows
// rows, the timeline at most MarkLimit marks. Units are the station's summaries, replaced
// whole whenever one changes.
constexpr std::string_view Script = R"js(
(function () {
  'use strict';
  var CallRows = 500, UnitRows = 1000, MarkLimit = 2000;
  var byId = function (id) { return document.getElementById(id); };
  var records = [];       // {n: number, r: record}, oldest first
  var history = 10000;    // how many the station holds
  var next = 0;           // the number of the next record
  var skipped = 0;        // records that went by too fast to be sent here
  var running = true;
  var units = [];         // the station's summaries, by unit index
  var unitOrder = [];     // unit indices, latest changed first
  var unitByAddress = {};
  var functions = {};
  var filter = { unit: '', func: '', text: '' };

  function text(tag, value, className) {
    var element = document.createElement(tag);
    element.textContent = value;
    if (className) element.className = className;
    return element;
  }
  function cell(row, value, className) {
    var td = row.insertCell();
    td.textContent = value;
    if (className) td.className = className;
    return td;
  }
  function db(value) { return typeof value === 'number' ? value.toFixed(1) : ''; }
  function clock(r) {
    var at = (r.heard && r.heard.utc) || r.finalAt;
    return at ? at.replace('T', ' ').replace('Z', '') : '';
  }
  function place(source) {
    var where = '';
    if (source.heard) where = source.heard.seconds.toFixed(3) + ' s';
    else if (typeof source.seconds === 'number') where = source.seconds.toFixed(3) + ' s';
    else if (source.line) where = 'line ' + source.line + (source.column ? ', column ' + source.column : '');
    var hz = source.channel ? source.channel.hz : source.channelHz;
    if (hz) where = hz + ' Hz' + (where ? ', ' + where : '');
    return where;
  }
  function hasPosition(r) { return r.nmea && typeof r.nmea.lat === 'number'; }
  function trusted(r) { return hasPosition(r) && r.nmea.positionTrusted; }
  function kind(r) { return r.Corrupted ? 'bad' : r.shortData ? 'data' : 'call'; }

  function matches(r) {
    if (filter.unit) {
      var from = (r.FromAddr || '').toUpperCase(), to = (r.ToAddr || '').toUpperCase();
      if (from.indexOf(filter.unit) < 0 && to.indexOf(filter.unit) < 0) return false;
    }
    if (filter.func && r.Func1 !== filter.func) return false;
    if (filter.text) {
      var words = [r.FromAddr, r.ToAddr, r.Func1, r.Func2, r.Message, r.file].join('\n');
      if (words.toLowerCase().indexOf(filter.text) < 0) return false;
    }
    return true;
  }

  // ---- the calls, newest first
  var callBody = byId('calls-table').tBodies[0];
  function callRow(item, fresh) {
    var r = item.r, row = document.createElement('tr');
    row.id = 'r' + item.n;
    row.setAttribute('data-shown', String(Date.now()));
    if (r.Corrupted) row.className = 'corrupted';
    if (fresh) row.className += ' fresh';
    var when = cell(row, clock(r) || place(r), 'when');
    when.title = [r.file, place(r)].filter(Boolean).join(', ');
    cell(row, r.noPatternLeft ? '' : (r.FromAddr || '') + ' \u2192 ' + (r.ToAddr || ''));
    cell(row, r.Func1 === r.Func2 || !r.Func2 ? (r.Func1 || '') : r.Func1 + ' / ' + r.Func2);
    var what = cell(row, hasPosition(r) ? r.nmea.lat + ', ' + r.nmea.lon : (r.Message || ''), 'text');
    if (hasPosition(r) && !r.nmea.positionTrusted) what.appendChild(text('span', ' header failed', 'tag bad'));
    cell(row, db(r.heard && r.heard.levelDbfs), 'num');
    cell(row, db(r.heard && r.heard.ebN0Db), 'num');
    cell(row, r.fec ? 'FEC' : '');
    var check = cell(row, '');
    if (r.noPatternLeft) check.appendChild(text('span', 'no pattern left', 'tag'));
    else if (r.Corrupted) check.appendChild(text('span', 'corrupted', 'tag bad'));
    else check.textContent = 'ok';
    return row;
  }
  function showCalls() {
    var body = document.createElement('tbody'), shown = 0, matching = 0;
    for (var i = records.length - 1; i >= 0; i--) {
      if (!matches(records[i].r)) continue;
      matching++;
      if (shown < CallRows) { body.appendChild(callRow(records[i], false)); shown++; }
    }
    callBody.parentNode.replaceChild(body, callBody);
    callBody = body;
    countMatching(matching);
  }
  function addCalls(added) {
    var rows = document.createDocumentFragment();
    for (var i = added.length - 1; i >= 0; i--)
      if (matches(added[i].r)) rows.appendChild(callRow(added[i], true));
    callBody.insertBefore(rows, callBody.firstChild);
    while (callBody.rows.length > CallRows) callBody.deleteRow(-1);
  }
  function countMatching(matching) {
    var filtered = filter.unit || filter.func || filter.text;
    byId('filter-count').textContent = filtered ? matching + ' of ' + records.length + ' records match' : '';
    var note = 'Newest first' + (records.length > CallRows ? ', the latest ' + CallRows + ' shown' : '') + '.';
    if (skipped > 0) note += ' ' + skipped + ' records came too fast to be sent to this page (a whole file ' +
      'decoding); the units count them all, and the page catches up when the run ends.';
    byId('calls-note').textContent = note;
  }

  // ---- the units, latest first
  function showUnits() {
    var body = document.createElement('tbody'), shown = 0;
    for (var i = 0; i < unitOrder.length && shown < UnitRows; i++) {
      var u = units[unitOrder[i]];
      if (filter.unit && u.address.toUpperCase().indexOf(filter.unit) < 0) continue;
      shown++;
      var row = body.insertRow();
      var name = cell(row, '');
      var swatch = text('i', '', 'swatch');
      swatch.style.background = u.color;
      name.appendChild(swatch);
      name.appendChild(document.createTextNode(u.address));
      cell(row, String(u.sent), 'num');
      cell(row, String(u.received), 'num');
      cell(row, u.last ? ((u.last.utc || u.last.finalAt || '').replace('T', ' ').replace('Z', '') || place(u.last)) : '', 'when');
      cell(row, typeof u.lat === 'number' ? u.lat + ', ' + u.lon : '');
      cell(row, u.levelDbfs ? db(u.levelDbfs.min) + ' / ' + db(u.levelDbfs.median) : '', 'num');
      cell(row, u.ebN0Db ? db(u.ebN0Db.min) + ' / ' + db(u.ebN0Db.median) : '', 'num');
    }
    var table = byId('units-table');
    table.replaceChild(body, table.tBodies[0]);
  }
  function takeUnits(list) {
    list.forEach(function (u) {
      var known = units[u.unit] !== undefined;
      units[u.unit] = u;
      unitByAddress[u.address] = u.unit;
      if (known) unitOrder.splice(unitOrder.indexOf(u.unit), 1);
      unitOrder.unshift(u.unit);
    });
  }

  // ---- the map (Leaflet, bundled: it works offline, only the tiles need the network) and
  // the plain plot the station draws with the html page's code
  var map = null, tracks = {}, bounded = false, plotShown = 0, plotTimer = null;
  function label(value) { return text('span', value); }
  function makeMap() {
    if (map || !window.L) return;
    byId('map').hidden = false;
    byId('map-note').hidden = false;
    map = L.map(byId('map'), { preferCanvas: true }).setView([0, 0], 2);
    var tiles = L.tileLayer('https://{s}.tile.openstreetmap.org/{z}/{x}/{y}.png', {
      maxZoom: 19, attribution: '&copy; OpenStreetMap contributors' });
    var told = false;
    tiles.on('tileerror', function () {
      if (told) return;
      told = true;
      byId('map-note').textContent = 'The map tiles could not be loaded (no network?): the ' +
        'tracks are drawn without them, and the plot below shows every position as well.';
    });
    tiles.addTo(map);
    L.control.scale().addTo(map);
  }
  function clearMap() {
    Object.keys(tracks).forEach(function (unit) {
      map.removeLayer(tracks[unit].line);
      map.removeLayer(tracks[unit].dot);
    });
    tracks = {};
    bounded = false;
  }
  function mapPositions(added) {
    var points = added.filter(function (item) { return trusted(item.r); });
    if (points.length === 0) return;
    byId('no-positions').hidden = true;
    makeMap();
    if (!map) return;
    var bounds = L.latLngBounds([]);
    points.forEach(function (item) {
      var r = item.r, at = [r.nmea.lat, r.nmea.lon];
      var unit = unitByAddress[r.FromAddr], u = units[unit];
      var color = u ? u.color : '#555', name = 'Unit ' + r.FromAddr;
      var track = tracks[unit];
      if (!track) {
        track = tracks[unit] = {
          line: L.polyline([], { color: color, weight: 2 }).bindTooltip(label(name)).addTo(map),
          dot: L.circleMarker(at, { radius: 5, color: color, fillOpacity: 0.8 }).addTo(map)
        };
      }
      track.line.addLatLng(at);
      track.dot.setLatLng(at);
      track.dot.unbindTooltip().bindTooltip(label(name + ': ' + at[0] + ', ' + at[1]));
      bounds.extend(at);
    });
    if (!bounded) {
      map.fitBounds(bounds.pad(0.2), { maxZoom: 14 });
      bounded = true;
    } else if (!map.getBounds().contains(bounds)) {
      map.fitBounds(map.getBounds().extend(bounds), { maxZoom: 14 });
    }
    refreshPlot();
  }
  // The plot is drawn by the station from the records it holds: asked again at most every
  // few seconds while positions come.
  function refreshPlot() {
    if (plotTimer !== null) return;
    var wait = Math.max(0, plotShown + 3000 - Date.now());
    plotTimer = setTimeout(function () {
      plotTimer = null;
      plotShown = Date.now();
      var plot = byId('plot');
      plot.hidden = false;
      plot.src = '/plot.svg?upto=' + next;
    }, wait);
  }

  // ---- the timeline: the records shown along their clock times, or in order without them
  var svgNs = 'http://www.w3.org/2000/svg', timelineTimer = null;
  function svg(tag, attributes) {
    var element = document.createElementNS(svgNs, tag);
    Object.keys(attributes).forEach(function (key) { element.setAttribute(key, attributes[key]); });
    return element;
  }
  function showTimeline() {
    timelineTimer = null;
    var chart = byId('timeline-chart');
    while (chart.firstChild) chart.removeChild(chart.firstChild);
    var shown = [];
    for (var i = records.length - 1; i >= 0 && shown.length < MarkLimit; i--)
      if (matches(records[i].r)) shown.unshift(records[i]);
    if (shown.length === 0) return;
    var times = shown.map(function (item) { var at = clock(item.r); return at ? Date.parse(at + 'Z') : NaN; });
    var timed = times.every(function (t) { return !isNaN(t); });
    var low = timed ? Math.min.apply(null, times) : shown[0].n;
    var high = timed ? Math.max.apply(null, times) : shown[shown.length - 1].n;
    var span = Math.max(high - low, 1);
    chart.appendChild(svg('line', { x1: 10, x2: 990, y1: 45, y2: 45, stroke: '#bbb' }));
    shown.forEach(function (item, k) {
      var x = 10 + 980 * ((timed ? times[k] : item.n) - low) / span;
      var link = svg('a', { href: '#r' + item.n });
      var mark = svg('rect', { x: x.toFixed(1), y: 8, width: 3, height: 34,
        fill: { call: '#1f77b4', data: '#2ca02c', bad: '#d62728' }[kind(item.r)] });
      var title = svg('title', {});
      title.textContent = (clock(item.r) || place(item.r)) + ' ' + (item.r.FromAddr || '') + ' \u2192 ' +
        (item.r.ToAddr || '') + ' ' + (item.r.Func1 || '');
      mark.appendChild(title);
      link.appendChild(mark);
      chart.appendChild(link);
    });
    var left = svg('text', { x: 10, y: 62, 'class': 'axis' });
    left.textContent = timed ? clock(shown[0].r) : 'record ' + (shown[0].n + 1);
    var right = svg('text', { x: 990, y: 62, 'class': 'axis', 'text-anchor': 'end' });
    right.textContent = timed ? clock(shown[shown.length - 1].r) : 'record ' + (shown[shown.length - 1].n + 1);
    chart.appendChild(left);
    chart.appendChild(right);
  }
  function laterTimeline() {
    if (timelineTimer === null) timelineTimer = setTimeout(showTimeline, 250);
  }

  // ---- the filters
  function addFunctions(added) {
    var select = byId('filter-function');
    added.forEach(function (item) {
      var name = item.r.Func1;
      if (!name || functions[name]) return;
      functions[name] = true;
      var option = text('option', name);
      option.value = name;
      select.appendChild(option);
    });
  }
  function onFilter() {
    filter.unit = byId('filter-unit').value.trim().toUpperCase();
    filter.func = byId('filter-function').value;
    filter.text = byId('filter-text').value.trim().toLowerCase();
    showCalls();
    showUnits();
    showTimeline();
  }
  ['filter-unit', 'filter-text'].forEach(function (id) { byId(id).addEventListener('input', onFilter); });
  byId('filter-function').addEventListener('change', onFilter);

  // ---- the stream
  function showStatus(connected) {
    var status = byId('status');
    status.textContent = '';
    status.appendChild(text('b', connected ? (running ? '\u25CF live' : '\u25A0 run ended') : '\u25CB reconnecting'));
    status.appendChild(document.createTextNode(' \u00B7 ' + next + ' records, ' + units.filter(Boolean).length +
      ' units' + (running ? '' : ' \u00B7 the page shows the finished run until the program ends')));
    document.body.setAttribute('data-stream', connected ? 'open' : 'closed');
    document.body.setAttribute('data-records', String(next));
  }
  function trim() {
    if (records.length > history) records.splice(0, records.length - history);
  }
  function onState(event) {
    var state = JSON.parse(event.data);
    history = state.history;
    next = state.seen;
    running = state.running;
    skipped = 0;
    records = state.records.map(function (r, i) { return { n: state.first + i, r: r }; });
    units = [];
    unitOrder = [];
    unitByAddress = {};
    takeUnits(state.units);
    addFunctions(records);
    if (map) clearMap();
    showCalls();
    showUnits();
    showTimeline();
    mapPositions(records);
    showStatus(true);
  }
  function onNews(event) {
    var news = JSON.parse(event.data);
    takeUnits(news.units);
    var added = [];
    news.records.forEach(function (r, i) {
      var n = news.first + i;
      if (n >= next) added.push({ n: n, r: r }); // older ones came with the state
    });
    skipped += news.skipped;
    next = Math.max(next, news.seen);
    records = records.concat(added);
    trim();
    addFunctions(added);
    addCalls(added);
    countMatching(records.filter(function (item) { return matches(item.r); }).length);
    showUnits();
    mapPositions(added);
    laterTimeline();
    showStatus(true);
  }
  var stream = new EventSource('/events');
  stream.addEventListener('state', onState);
  stream.addEventListener('news', onNews);
  stream.addEventListener('error', function () { showStatus(false); });
  document.body.setAttribute('data-script', 'ran');
})();
)js";

} // namespace

std::string_view LiveScript() {
    return Script;
}

} // namespace vantrel
