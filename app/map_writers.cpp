// The map formats in XML: GPX 1.1 and KML 2.2. Both list every position as it comes (a
// waypoint, a placemark) and end with one path per unit, which needs the unit's positions
// together: those are kept as two numbers each until the end of the run, the only part of
// these formats that grows with the input (16 bytes a position).
#include "latin1.h"
#include "output_text.h"
#include "record_writer.h"

#include <unordered_map>
#include <vector>

namespace vantrel {

namespace {

struct Point {
    double latitude;
    double longitude;
};

// The positions of every unit, the units in the order first seen.
class UnitTracks {
public:
    void Add(const std::string& unit, Point point) {
        const auto [at, added] = index_.try_emplace(unit, tracks_.size());
        if (added)
            tracks_.push_back({unit, {}});
        tracks_[at->second].points.push_back(point);
    }

    struct Track {
        std::string unit;
        std::vector<Point> points;
    };
    const std::vector<Track>& tracks() const { return tracks_; }

private:
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<Track> tracks_;
};

bool HasPosition(const DecodedRecord& record) {
    return record.nmea && record.nmea->hasPosition;
}

// The texts a position is labelled with, as XML text.
std::string UnitText(const DecodedRecord& record) {
    return XmlText(Latin1ToUtf8(record.info.FromAddr));
}

std::string MessageText(const DecodedRecord& record) {
    return XmlText(Latin1ToUtf8(record.info.Message));
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
        if (!HasPosition(record))
            return;
        const Point p{record.nmea->latitude, record.nmea->longitude};
        tracks_.Add(record.info.FromAddr, p);
        out_ << "<wpt lat=\"" << NumberText(p.latitude) << "\" lon=\"" << NumberText(p.longitude)
             << "\"><name>" << UnitText(record) << "</name><desc>" << MessageText(record)
             << "</desc>";
        if (!record.source.file.empty())
            out_ << "<src>" << XmlText(Utf8OrLatin1(record.source.file)) << "</src>";
        out_ << "</wpt>\n";
    }
    void EndRun(const RecordStats& /*total*/) override {
        for (const UnitTracks::Track& track : tracks_.tracks()) {
            out_ << "<trk><name>" << XmlText(Latin1ToUtf8(track.unit)) << "</name><trkseg>\n";
            for (const Point& p : track.points)
                out_ << "<trkpt lat=\"" << NumberText(p.latitude) << "\" lon=\""
                     << NumberText(p.longitude) << "\"/>\n";
            out_ << "</trkseg></trk>\n";
        }
        out_ << "</gpx>\n";
    }

private:
    UnitTracks tracks_;
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
        if (!HasPosition(record))
            return;
        const Point p{record.nmea->latitude, record.nmea->longitude};
        tracks_.Add(record.info.FromAddr, p);
        out_ << "<Placemark><name>" << UnitText(record) << "</name><description>"
             << MessageText(record) << "</description><Point><coordinates>" << KmlCoordinates(p)
             << "</coordinates></Point></Placemark>\n";
    }
    void EndRun(const RecordStats& /*total*/) override {
        // A path needs two positions at least.
        for (const UnitTracks::Track& track : tracks_.tracks()) {
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
    UnitTracks tracks_;
};

} // namespace

std::unique_ptr<RecordWriter> MakeGpxWriter(std::ostream& out) {
    return std::make_unique<GpxWriter>(out);
}

std::unique_ptr<RecordWriter> MakeKmlWriter(std::ostream& out) {
    return std::make_unique<KmlWriter>(out);
}

} // namespace vantrel
