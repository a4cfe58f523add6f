// The zone of the test's own process for a while, as TZ names it for date(1); the one before
// again at the end.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class LocalZone {
public:
    explicit LocalZone(const char* zone) {
        if (const char* before = std::getenv("TZ"))
            before_ = before;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~LocalZone() {
        if (before_)
            ::setenv("TZ", before_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    std::optional<std::string> before_;
};
