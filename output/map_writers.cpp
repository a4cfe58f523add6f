// The map formats in XML: GPX 1.1 and KML 2.2. Both list every position as it comes (a
// waypoint, a placemark) and end with one path per unit, which needs the unit's positions
// together: those are kept until the end of the run, the only part of these formats that grows
// with the input (two numbers a position, and for GPX its altitude and time: about 100 bytes).
// Only positions whose header passed its check are shown: a failed header names no unit one can
// trust.
#include "latin1.h"
#include "output_text.h"
#include "record_writer.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vantrel {

namespace {

struct Point {
    double latitude;
    double longitude;
};

// A GPX point: a position with the altitude a GGA sentence gives and the time it was taken.
struct GpxPoint {
    Point position;
    std::optional<double> elevation;
    std::string time; // ISO 8601, UTC; empty when unknown
};

// The positions of every unit, the units in the order first seen.
template <typename P> class UnitTracks {
public:
    void Add(const std::string& unit, P point) {
        const auto [at, added] = index_.try_emplace(unit, tracks_.size());
        if (added)
            tracks_.push_back({unit, {}});
        tracks_[at->second].points.push_back(point);
    }

    struct Track {
        std::string unit;
        std::vector<P> points;
    };
    const std::vector<Track>& tracks() const { return tracks_; }

private:
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<Track> tracks_;
};

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int TwoDigits(std::string_view text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

} // namespace

// Years of two digits from 80 on are taken as 19xx, the usual reading of NMEA dates.
std::optional<std::string> NmeaUtcTime(std::string_view date, std::string_view time) {
    const std::string_view whole = time.substr(0, time.find('.'));
    const std::string_view fraction =
        whole.size() < time.size() ? time.substr(whole.size() + 1) : std::string_view{};
    if (date.size() != 6 || !AllDigits(date) || whole.size() != 6 || !AllDigits(whole) ||
        (whole.size() < time.size() && !AllDigits(fraction)))
        return std::nullopt;
    const int day = TwoDigits(date, 0);
    const int month = TwoDigits(date, 2);
    const int year = TwoDigits(date, 4);
    const int hour = TwoDigits(whole, 0);
    const int minute = TwoDigits(whole, 2);
    const int second = TwoDigits(whole, 4);
    if (day < 1 || day > 31 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    char text[64]; // room for any int the compiler cannot rule out
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d",
                  year < 80 ? 2000 + year : 1900 + year, month, day, hour, minute, second);
    std::string iso = text;
    if (!fraction.empty())
        iso += '.' + std::string(fraction.substr(0, 3));
    return iso + 'Z';
}

namespace {

// The namespace of what GPX carries for us beyond its own elements.
constexpr std::string_view RecordsNamespace = "https://vantrel.invalid/records";

// The texts a position is labelled with, as XML text.
std::string UnitText(const DecodedRecord& record) {
    return XmlText(Latin1ToUtf8(record.info.FromAddr));
}

// Map programs (Google Earth, and many GPX viewers) render a description as HTML: the
// message came over the air, so it is escaped for HTML first and the result for XML. An XML
// reader then gets "&lt;b&gt;" and the HTML of the description shows "<b>" as text.
std::string MessageText(const DecodedRecord& record) {
    return XmlText(HtmlText(Latin1ToUtf8(record.info.Message)));
}

// When a position was taken: the fix's own date and time (RMC), else when its block was heard
// by the clock.
std::string PointTime(const DecodedRecord& record) {
    if (auto time = NmeaUtcTime(record.nmea->fixDate, record.nmea->fixTime))
        return std::move(*time);
    if (record.source.heard)
        return record.source.heard->utc;
    return {};
}

// A GPX point's elements in the order GPX 1.1 gives them: ele before time.
std::string ElevationAndTime(const GpxPoint& point) {
    std::string text;
    if (point.elevation)
        text += "<ele>" + NumberText(*point.elevation) + "</ele>";
    if (!point.time.empty())
        text += "<time>" + XmlText(point.time) + "</time>";
    return text;
}

class GpxWriter : public RecordWriter {
public:
    using RecordWriter::RecordWriter;

    void BeginRun() override {
        out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<gpx version=\"1.1\" creator=\"vantrel-decode\" "
                "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    }
    void Write(const DecodedRecord& record) override {
        if (!record.positionTrusted())
            return;
        GpxPoint p{{record.nmea->latitude, record.nmea->longitude},
                   record.nmea->altitudeMeters,
                   PointTime(record)};
        out_ << "<wpt lat=\"" << NumberText(p.position.latitude) << "\" lon=\""
             << NumberText(p.position.longitude) << "\">" << ElevationAndTime(p);
        tracks_.Add(record.info.FromAddr, std::move(p));
        out_ << "<name>" << UnitText(record) << "</name><desc>" << MessageText(record) << "</desc>";
        if (!record.source.file.empty())
            out_ << "<src>" << XmlText(Utf8OrLatin1(record.source.file)) << "</src>";
        // GPX has no element of its own for it: an extension in a namespace of ours, which
        // readers that do not know it pass over.
        if (record.source.channelHz)
            out_ << "<extensions><channel xmlns=\"" << RecordsNamespace << "\" hz=\""
                 << *record.source.channelHz << "\"/></extensions>";
        out_ << "</wpt>\n";
    }
    void EndRun(const RecordStats& /*total*/) override {
        for (const auto& track : tracks_.tracks()) {
            out_ << "<trk><name>" << XmlText(Latin1ToUtf8(track.unit)) << "</name><trkseg>\n";
            for (const GpxPoint& p : track.points) {
                out_ << "<trkpt lat=\"" << NumberText(p.position.latitude) << "\" lon=\""
                     << NumberText(p.position.longitude) << '"';
                const std::string inner = ElevationAndTime(p);
                if (inner.empty())
                    out_ << "/>\n";
                else
                    out_ << '>' << inner << "</trkpt>\n";
            }
            out_ << "</trkseg></trk>\n";
        }
        out_ << "</gpx>\n";
    }

private:
    UnitTracks<GpxPoint> tracks_;
};

// KML writes longitude first, then latitude.
std::string KmlCoordinates(Point p) {
    return NumberText(p.longitude) + ',' + NumberText(p.latitude);
}

class KmlWriter : public RecordWriter {
public:
    using RecordWriter::RecordWriter;

    void BeginRun() override {
        out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>"
                "<name>vantrel-decode</name>\n";
    }
    void Write(const DecodedRecord& record) override {
        if (!record.positionTrusted())
            return;
        const Point p{record.nmea->latitude, record.nmea->longitude};
        tracks_.Add(record.info.FromAddr, p);
        out_ << "<Placemark><name>" << UnitText(record) << "</name><description>"
             << MessageText(record) << "</description>";
        if (record.source.heard && !record.source.heard->utc.empty())
            out_ << "<TimeStamp><when>" << record.source.heard->utc << "</when></TimeStamp>";
        if (record.source.channelHz)
            out_ << "<ExtendedData><Data name=\"channelHz\"><value>" << *record.source.channelHz
                 << "</value></Data></ExtendedData>";
        out_ << "<Point><coordinates>" << KmlCoordinates(p)
             << "</coordinates></Point></Placemark>\n";
    }
    void EndRun(const RecordStats& /*total*/) override {
        // A path needs two positions at least.
        for (const auto& track : tracks_.tracks()) {
            if (track.points.size() < 2)
                continue;
            out_ << "<Placemark><name>" << XmlText(Latin1ToUtf8(track.unit))
                 << "</name><LineString><coordinates>\n";
            for (const Point& p : track.points)
                out_ << KmlCoordinates(p) << '\n';
            out_ << "</coordinates></LineString></Placemark>\n";
        }
        out_ << "</Document></kml>\n";
    }

private:
    UnitTracks<Point> tracks_;
};

} // namespace

std::unique_ptr<RecordWriter> MakeGpxWriter(std::ostream& out) {
    return std::make_unique<GpxWriter>(out);
}

std::unique_ptr<RecordWriter> MakeKmlWriter(std::ostream& out) {
    return std::make_unique<KmlWriter>(out);
}

} // namespace vantrel
