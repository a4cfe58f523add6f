// The page's tables: the summary with its files, the units, the messages, the positions and
// the calls. Every text from the recording is escaped here, where it meets the markup.
#pragma once

#include "html_run.h"
#include "record_stats.h"

#include <ostream>

namespace vantrel {

void WriteSummary(std::ostream& out, const HtmlRun& run, const RecordStats& total);

// Sortable by clicking a heading (the page script); `total` gives sent and received.
void WriteUnitsTable(std::ostream& out, const HtmlRun& run, const RecordStats& total);

void WriteMessagesTable(std::ostream& out, const HtmlRun& run);

void WritePositionsTable(std::ostream& out, const HtmlRun& run);

// One row per block, each with the id the timeline and the other tables link to.
void WriteCallsTable(std::ostream& out, const HtmlRun& run);

} // namespace vantrel
