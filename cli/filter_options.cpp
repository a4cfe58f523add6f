#include "filter_options.h"

#include <CLI/CLI.hpp>

namespace vantrel::decode {

namespace {

std::string AddressProblem(const std::string& value) {
    return AddressAsWritten(value) ? std::string()
                                   : value + " is no address: 1 to 6 hexadecimal digits, as the "
                                             "report writes it (2A9C4)";
}

std::string FunctionProblem(const std::string& value) {
    return FunctionCodeNamed(value) ? std::string()
                                    : value + " is no function: a code 0-63 or a name as the "
                                              "report writes it (\"Normal radio call\")";
}

// An option that may be given again, one value each time (a second value would take the FILE
// after it).
CLI::Option* Repeatable(CLI::App& app, const std::string& name, std::vector<std::string>& values,
                        const std::string& help, const std::string& type,
                        std::string (*problem)(const std::string&)) {
    return app.add_option(name, values, help)
        ->type_name(type)
        ->allow_extra_args(false)
        ->check(problem)
        ->group("Output");
}

std::vector<std::string> Addresses(const std::vector<std::string>& values) {
    std::vector<std::string> addresses;
    addresses.reserve(values.size());
    for (const std::string& value : values)
        addresses.push_back(AddressAsWritten(value).value_or(value));
    return addresses;
}

} // namespace

void AddFilterOptions(CLI::App& app, FilterOptions& filters) {
    Repeatable(app, "--unit", filters.units, "Write only the calls a unit sent or received", "ADDR",
               AddressProblem);
    Repeatable(app, "--from", filters.from, "Write only the calls a unit sent", "ADDR",
               AddressProblem);
    Repeatable(app, "--to", filters.to, "Write only the calls sent to a unit", "ADDR",
               AddressProblem);
    Repeatable(app, "--function", filters.functions,
               "Write only the calls of a function (\"Normal radio call\", 10)", "CODE|NAME",
               FunctionProblem);
}

std::optional<std::string> FilterProblem(const FilterOptions& filters, std::string_view format) {
    if (format != "text")
        return std::nullopt;
    const std::pair<const std::vector<std::string>*, const char*> given[] = {
        {&filters.units, "--unit"},
        {&filters.from, "--from"},
        {&filters.to, "--to"},
        {&filters.functions, "--function"}};
    for (const auto& [values, name] : given)
        if (!values->empty())
            return std::string(name) +
                   " chooses records, and the text report keeps every block with its number: "
                   "give a record format (--format brief, csv, jsonl, ...)";
    return std::nullopt;
}

RecordFilter FilterOf(const FilterOptions& filters) {
    RecordFilter filter;
    filter.units = Addresses(filters.units);
    filter.from = Addresses(filters.from);
    filter.to = Addresses(filters.to);
    for (const std::string& value : filters.functions)
        if (const std::optional<std::uint32_t> code = FunctionCodeNamed(value))
            filter.functions.push_back(*code);
    return filter;
}

} // namespace vantrel::decode
