// --unit, --from, --to and --function: the records a run writes, for a person who follows one
// unit or one kind of call on a busy channel (output/record_filter holds the rule).
#pragma once

#include "record_filter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace vantrel::decode {

// As given: each option may be given several times.
struct FilterOptions {
    std::vector<std::string> units = {};
    std::vector<std::string> from = {};
    std::vector<std::string> to = {};
    std::vector<std::string> functions = {};
};

// The four options, in the "Output" group, bound to `filters`; each value is checked as it is
// parsed (an address as the report writes it, a function code or name).
void AddFilterOptions(CLI::App& app, FilterOptions& filters);

// The text report is never filtered: it numbers every block as the patterns are counted. A
// filter with --format text (the default) is refused, naming the option given.
std::optional<std::string> FilterProblem(const FilterOptions& filters, std::string_view format);

RecordFilter FilterOf(const FilterOptions& filters);

} // namespace vantrel::decode
