// The writer of --format html: one self-contained page for the run, written when the run ends.
#pragma once

#include "record_writer.h"

#include <memory>
#include <ostream>

namespace vantrel {

std::unique_ptr<RecordWriter> MakeHtmlWriter(std::ostream& out);

} // namespace vantrel
