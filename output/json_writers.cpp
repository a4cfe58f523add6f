// The JSON family of record formats: a run document, JSON Lines and GeoJSON.
#include "json_text.h"
#include "latin1.h"
#include "record_fields.h"
#include "record_json_text.h"
#include "record_writer.h"

#include <nlohmann/json.hpp>

namespace vantrel {

namespace {

using Json = nlohmann::ordered_json;

void WriteJson(std::ostream& out, const Json& json) {
    out << json.dump();
}

// The json and jsonl writers' common part: each piece is made in a text kept from record to
// record and handed to the stream whole, and a log that arrives in pieces goes out escaped
// piece by piece.
class JsonTextWriter : public RecordWriter {
public:
    using RecordWriter::RecordWriter;

    void AppendLog(std::string_view piece) override {
        text_.clear();
        AppendJsonLatin1(text_, piece);
        Flush();
    }

protected:
    void Flush() { out_.write(text_.data(), static_cast<std::streamsize>(text_.size())); }

    std::string text_;
};

class JsonWriter : public JsonTextWriter {
public:
    using JsonTextWriter::JsonTextWriter;

    void BeginRun() override {
        out_ << R"({"format":"vantrel-records","version":)" << RecordFormatVersion
             << R"(,"files":[)";
    }
    void BeginFile(std::string_view file) override {
        text_.assign(files_++ == 0 ? "\n" : ",\n");
        text_ += R"({"file":)";
        JsonOut(text_).Utf8(Utf8OrLatin1(file));
        text_ += R"(,"records":[)";
        Flush();
        records_ = 0;
    }
    void Write(const DecodedRecord& record) override {
        text_.assign(records_++ == 0 ? "\n" : ",\n");
        AppendRecordJson(text_, record);
        Flush();
    }
    void BeginRecord(const DecodedRecord& record) override {
        text_.assign(records_++ == 0 ? "\n" : ",\n");
        AppendRecordJsonUntilLog(text_, record);
        Flush();
    }
    void EndRecord() override {
        text_.assign(RecordJsonAfterLog);
        Flush();
    }
    void EndFile(const RecordStats& stats) override {
        text_.assign(R"(],"stats":)");
        AppendStatsJson(text_, stats);
        text_ += '}';
        Flush();
    }
    void EndRun(const RecordStats& total) override {
        text_.assign(R"(],"stats":)");
        AppendStatsJson(text_, total);
        text_ += "}\n";
        Flush();
    }

private:
    std::size_t files_ = 0;
    std::size_t records_ = 0;
};

class JsonLinesWriter : public JsonTextWriter {
public:
    using JsonTextWriter::JsonTextWriter;

    void Write(const DecodedRecord& record) override {
        text_.clear();
        AppendRecordJson(text_, record);
        text_ += '\n';
        Flush();
    }
    void BeginRecord(const DecodedRecord& record) override {
        text_.clear();
        AppendRecordJsonUntilLog(text_, record);
        Flush();
    }
    void EndRecord() override {
        text_.assign(RecordJsonAfterLog);
        text_ += '\n';
        Flush();
    }
};

// The flat fields, those with a value, as GeoJSON properties.
Json Properties(const DecodedRecord& record) {
    const std::span<const std::string_view> names = FlatFieldNames();
    const std::vector<FieldValue> values = FlatFieldValues(record);
    Json properties = Json::object();
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::visit(
            [&](const auto& value) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(value)>, std::monostate>)
                    properties[std::string(names[i])] = value;
            },
            values[i]);
    }
    return properties;
}

class GeoJsonWriter : public RecordWriter {
public:
    using RecordWriter::RecordWriter;

    void BeginRun() override { out_ << R"({"type":"FeatureCollection","features":[)"; }
    void Write(const DecodedRecord& record) override {
        // As in GPX and KML: a position under a failed header is no map point.
        if (!record.positionTrusted())
            return;
        Json feature;
        feature["type"] = "Feature";
        // GeoJSON puts the longitude first.
        feature["geometry"] = {{"type", "Point"},
                               {"coordinates", {record.nmea->longitude, record.nmea->latitude}}};
        feature["properties"] = Properties(record);
        out_ << (features_++ == 0 ? "\n" : ",\n");
        WriteJson(out_, feature);
    }
    void EndRun(const RecordStats& /*total*/) override { out_ << "\n]}\n"; }

private:
    std::size_t features_ = 0;
};

} // namespace

std::unique_ptr<RecordWriter> MakeJsonWriter(std::ostream& out) {
    return std::make_unique<JsonWriter>(out);
}

std::unique_ptr<RecordWriter> MakeJsonLinesWriter(std::ostream& out) {
    return std::make_unique<JsonLinesWriter>(out);
}

std::unique_ptr<RecordWriter> MakeGeoJsonWriter(std::ostream& out) {
    return std::make_unique<GeoJsonWriter>(out);
}

} // namespace vantrel
