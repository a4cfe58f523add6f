// The writer of --format html: one self-contained page for the run, written when the run ends.
#pragma once

#include "record_writer.h"

#include <memory>
#include <ostream>
#include <string_view>

namespace vantrel {

// Clock times in UTC or in the local time, as `options.utc` says.
std::unique_ptr<RecordWriter> MakeHtmlWriter(std::ostream& out, const WriterOptions& options);

// The page's style sheet (besides Leaflet's), which the live page of --serve shares.
std::string_view PageStyle();

} // namespace vantrel
