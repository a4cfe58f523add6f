// An immutable text that copies share instead of duplicating.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace modETSI300230 {

// A block's log can hold a long stretch of the input. When the sync patterns run out before
// the counted blocks do, every remaining record carries the same log; sharing it keeps a
// decode's memory linear in its input.
class SharedText {
public:
    SharedText() = default;
    explicit SharedText(std::string text)
        : text_(std::make_shared<const std::string>(std::move(text))) {}

    const std::string& str() const { return text_ ? *text_ : Empty(); }
    operator std::string_view() const { return str(); } // NOLINT(google-explicit-constructor)
    bool empty() const { return str().empty(); }
    std::size_t size() const { return str().size(); }

    friend bool operator==(const SharedText& a, std::string_view b) { return a.str() == b; }
    friend bool operator==(const SharedText& a, const SharedText& b) { return a.str() == b.str(); }

    friend std::ostream& operator<<(std::ostream& out, const SharedText& text) {
        return out << text.str();
    }

private:
    static const std::string& Empty() {
        static const std::string empty;
        return empty;
    }

    std::shared_ptr<const std::string> text_;
};

} // namespace modETSI300230
