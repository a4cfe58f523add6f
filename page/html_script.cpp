#include "html_script.h"

#include "html_script_hash.h"
#include "leaflet_assets.h"
#include "output_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

constexpr std::string_view Trap = R"js(
(function () {
  'use strict';
  function show(text) {
    var box = document.getElementById('script-errors');
    box.hidden = false;
    box.textContent += text + '\n';
  }
  window.addEventListener('error', function (e) { show('Script error: ' + e.message); });
  document.addEventListener('securitypolicyviolation', function (e) {
    show('Blocked by the page policy: ' + e.violatedDirective + ' ' + e.blockedURI);
  });
})();
)js";

constexpr std::string_view Page = R"js(
(function () {
  'use strict';
  var started = performance.now();
  var data = JSON.parse(document.getElementById('page-data').textContent);

  function cellValue(row, column, numeric) {
    var cell = row.cells[column];
    var text = cell.hasAttribute('data-value') ? cell.getAttribute('data-value') : cell.textContent;
    if (!numeric) return text;
    var number = parseFloat(text);
    return isNaN(number) ? -Infinity : number;
  }
  document.querySelectorAll('table.sortable thead th').forEach(function (heading) {
    var button = heading.querySelector('button');
    if (!button) return;
    button.addEventListener('click', function () {
      var table = heading.closest('table');
      var body = table.tBodies[0];
      var column = Array.prototype.indexOf.call(heading.parentNode.children, heading);
      var numeric = heading.getAttribute('data-type') === 'number';
      var ascending = heading.getAttribute('aria-sort') !== 'ascending';
      table.querySelectorAll('thead th').forEach(function (h) { h.removeAttribute('aria-sort'); });
      heading.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
      var rows = Array.prototype.slice.call(body.rows);
      rows.sort(function (a, b) {
        var x = cellValue(a, column, numeric), y = cellValue(b, column, numeric);
        var order = numeric ? (x < y ? -1 : x > y ? 1 : 0) : String(x).localeCompare(String(y));
        return ascending ? order : -order;
      });
      rows.forEach(function (row) { body.appendChild(row); });
    });
  });

  function label(text) {
    var span = document.createElement('span');
    span.textContent = text;
    return span;
  }
  // Dots drawn straight onto one canvas, redrawn after every move: tens of thousands of
  // positions as a layer each would take Leaflet many seconds.
  var DotLayer = window.L && L.Layer.extend({
    initialize: function (dots) { this.dots = dots; },
    onAdd: function (map) {
      this.canvas = L.DomUtil.create('canvas', 'leaflet-zoom-hide');
      map.getPanes().overlayPane.appendChild(this.canvas);
      map.on('moveend zoomend resize', this.draw, this);
      this.draw();
    },
    onRemove: function (map) {
      L.DomUtil.remove(this.canvas);
      map.off('moveend zoomend resize', this.draw, this);
    },
    draw: function () {
      var map = this._map, size = map.getSize(), canvas = this.canvas;
      L.DomUtil.setPosition(canvas, map.containerPointToLayerPoint([0, 0]));
      canvas.width = size.x;
      canvas.height = size.y;
      var context = canvas.getContext('2d');
      this.dots.forEach(function (dot) {
        var at = map.latLngToContainerPoint([dot[0], dot[1]]);
        if (at.x < -3 || at.y < -3 || at.x > size.x + 3 || at.y > size.y + 3) return;
        context.fillStyle = dot[2];
        context.beginPath();
        context.arc(at.x, at.y, 2.5, 0, 2 * Math.PI);
        context.fill();
      });
    }
  });
  var box = document.getElementById('map');
  if (box && window.L && data.positions.length > 0) {
    var map = L.map(box, { preferCanvas: true });
    var tiles = L.tileLayer('https://{s}.tile.openstreetmap.org/{z}/{x}/{y}.png', {
      maxZoom: 19,
      attribution: '&copy; OpenStreetMap contributors'
    });
    var told = false;
    tiles.on('tileerror', function () {
      if (told) return;
      told = true;
      document.getElementById('map-note').textContent =
        'The map tiles could not be loaded (no network?): the tracks are drawn without them, ' +
        'and the plot below shows every position as well.';
    });
    tiles.addTo(map);
    var tracks = data.units.map(function () { return []; });
    data.positions.forEach(function (p) { tracks[p[2]].push([p[0], p[1]]); });
    // Every position is a dot. While they are few each track and dot tells its unit; beyond
    // that the tracks of one colour are one line and the dots go onto DotLayer's canvas.
    var few = data.positions.length <= 5000;
    var lines = {};
    var dots = [];
    var bounds = L.latLngBounds([]);
    tracks.forEach(function (track, unit) {
      var color = data.units[unit][1];
      var name = 'Unit ' + data.units[unit][0];
      if (track.length > 1) {
        if (few) L.polyline(track, { color: color, weight: 2 }).bindTooltip(label(name)).addTo(map);
        else (lines[color] = lines[color] || []).push(track);
      }
      track.forEach(function (point) {
        bounds.extend(point);
        if (!few) {
          dots.push([point[0], point[1], color]);
          return;
        }
        L.circleMarker(point, { radius: 4, color: color, fillOpacity: 0.7 })
          .bindTooltip(label(name + ': ' + point[0] + ', ' + point[1])).addTo(map);
      });
    });
    Object.keys(lines).forEach(function (color) {
      L.polyline(lines[color], { color: color, weight: 2, interactive: false }).addTo(map);
    });
    map.fitBounds(bounds.pad(0.1), { maxZoom: 14 });
    if (dots.length > 0) new DotLayer(dots).addTo(map);
    L.control.scale().addTo(map);
  }
  document.body.setAttribute('data-script', 'ran');
  // When the page was ready, and how long of that its own script took (the performance
  // table of docs/performance.md).
  document.body.setAttribute('data-ready-ms', String(Math.round(performance.now())));
  document.body.setAttribute('data-script-ms', String(Math.round(performance.now() - started)));
})();
)js";

} // namespace

std::string_view ErrorTrapScript() {
    return Trap;
}

std::string_view PageScript() {
    return Page;
}

std::string ContentSecurityPolicy() {
    return "default-src 'none'; script-src " + ScriptHashSource(Trap) + ' ' +
           ScriptHashSource(leaflet::Script) + ' ' + ScriptHashSource(Page) +
           "; style-src 'unsafe-inline'; img-src data: https://*.tile.openstreetmap.org; "
           "base-uri 'none'; form-action 'none'";
}

std::string ScriptJsonString(std::string_view utf8) {
    std::string text = "\"";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // U+2028 and U+2029 are E2 80 A8 and E2 80 A9.
        if (c == 0xE2 && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xA8) {
            text += static_cast<unsigned char>(utf8[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else if (c == '"' || c == '\\') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c < 0x20 || c == '<' || c == '>' || c == '&') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            text += escape;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text + '"';
}

std::string UnitColor(std::size_t track) {
    // Hue, saturation and lightness to RGB (the CSS rule), the lightness changing with every
    // unit so that hues that come round close again still differ.
    constexpr double GoldenAngle = 137.50776405;
    constexpr double Lightness[] = {0.45, 0.32, 0.60};
    const double hue = std::fmod(210.0 + GoldenAngle * static_cast<double>(track), 360.0) / 30.0;
    const double light = Lightness[track % 3];
    const double chroma = 0.75 * std::min(light, 1 - light);
    char text[8];
    int channel[3];
    for (int i = 0; i < 3; ++i) {
        const double k = std::fmod(std::array{0.0, 8.0, 4.0}[i] + hue, 12.0);
        const double value = light - chroma * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}));
        channel[i] = static_cast<int>(std::lround(value * 255));
    }
    std::snprintf(text, sizeof text, "#%02x%02x%02x", channel[0], channel[1], channel[2]);
    return text;
}

// Only the units that sent a position are named: a busy channel has far more units than
// tracks.
void WritePageData(std::ostream& out, const HtmlRun& run) {
    std::vector<const HtmlUnit*> tracked(run.tracks, nullptr);
    for (const HtmlUnit& unit : run.units)
        if (unit.track)
            tracked[*unit.track] = &unit;
    out << "{\"units\":[";
    for (std::size_t i = 0; i < tracked.size(); ++i)
        out << (i > 0 ? ",[" : "[") << ScriptJsonString(tracked[i]->address) << ','
            << ScriptJsonString(UnitColor(i)) << ']';
    out << "],\"positions\":[";
    for (std::size_t i = 0; i < run.positions.size(); ++i) {
        const HtmlPosition& p = run.positions[i];
        out << (i > 0 ? ",[" : "[") << NumberText(p.latitude) << ',' << NumberText(p.longitude)
            << ',' << *run.units[p.unit].track;
        if (p.channelHz)
            out << ',' << *p.channelHz;
        out << ']';
    }
    out << "]}";
}

} // namespace vantrel
