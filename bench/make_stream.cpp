// Writes a large recording for measurements: lines of 64 or 80 "0"/"1" characters, each ended
// by CR LF, as a demodulator leaves them.
//
// Usage: make-stream KIND MEGABYTES FILE [--seed N] [--width 64|80] [--pairs N]
//   KIND       realistic, dense, fec-only, packed, long-noise or undecodable
//   MEGABYTES  size of the file in millions of bytes (a fraction is fine), line ends included
//   FILE       the file to write, "-" for standard output
#include "stream_maker.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view LineEnd = "\r\n";

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != stdout)
            std::fclose(file);
    }
};

// Cuts the stream into lines of `width` characters however the pieces arrive.
class LineWriter {
public:
    LineWriter(std::FILE* file, std::size_t width) : file_(file), width_(width) {}

    void Write(std::string_view bits) {
        while (!bits.empty()) {
            const std::size_t take = std::min(bits.size(), width_ - column_);
            Put(bits.substr(0, take));
            bits.remove_prefix(take);
            column_ += take;
            if (column_ == width_)
                EndLine();
        }
    }

    // The last line ends like every other one.
    bool Finish() {
        if (column_ != 0)
            EndLine();
        return ok_ && std::fflush(file_) == 0;
    }

private:
    void Put(std::string_view text) {
        ok_ = ok_ && std::fwrite(text.data(), 1, text.size(), file_) == text.size();
    }
    void EndLine() {
        Put(LineEnd);
        column_ = 0;
    }

    std::FILE* file_;
    std::size_t width_;
    std::size_t column_ = 0;
    bool ok_ = true;
};

int Usage() {
    std::fputs("usage: make-stream KIND MEGABYTES FILE [--seed N] [--width 64|80] [--pairs N]\n"
               "KIND: realistic, dense, fec-only, packed, long-noise, undecodable\n",
               stderr);
    return 2;
}

bool ParseNumber(const char* text, unsigned long long& value) {
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || (argc - 4) % 2 != 0)
        return Usage();
    const std::optional<streams::Kind> kind = streams::KindByName(argv[1]);
    char* end = nullptr;
    const double megabytes = std::strtod(argv[2], &end);
    if (!kind || end == argv[2] || *end != '\0' || !(megabytes > 0))
        return Usage();

    streams::Options options;
    options.kind = *kind;
    unsigned long long width = 64;
    for (int i = 4; i < argc; i += 2) {
        const std::string_view flag = argv[i];
        unsigned long long value = 0;
        if (!ParseNumber(argv[i + 1], value))
            return Usage();
        if (flag == "--seed")
            options.seed = value;
        else if (flag == "--width" && (value == 64 || value == 80))
            width = value;
        else if (flag == "--pairs")
            options.pairs = value;
        else
            return Usage();
    }
    // The size asked for counts the line ends too.
    const auto bytes = static_cast<std::size_t>(megabytes * 1e6);
    options.bits = bytes / (width + LineEnd.size()) * width;

    const std::string path = argv[3];
    const std::unique_ptr<std::FILE, FileCloser> file(path == "-" ? stdout
                                                                  : std::fopen(path.c_str(), "wb"));
    if (!file) {
        std::perror(path.c_str());
        return 1;
    }
    LineWriter writer(file.get(), width);
    streams::Generate(options, [&](std::string_view piece) { writer.Write(piece); });
    if (!writer.Finish()) {
        std::perror(path.c_str());
        return 1;
    }
    return 0;
}
