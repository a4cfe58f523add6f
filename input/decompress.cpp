// Through the formats' own libraries (zlib, liblzma, libzstd), each checking its format's
// checksum: a damaged file must not pass for a shorter or different recording.
#include "decompress.h"

#include "file_error.h"

#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <memory>
#include <vector>

namespace vantrel {

namespace {

// Compressed bytes asked of the reader at a time, and content bytes made at a time.
constexpr std::size_t PieceSize = std::size_t{1} << 16;
// An xz file may ask for a dictionary of up to 1.5 GB; "xz -9" needs 65 MB to decompress.
constexpr std::uint64_t XzMemoryLimit = std::uint64_t{100} << 20;
// zstd's own default: frames asking for a larger window are refused.
constexpr int ZstdWindowLogMax = 27;

// The compressed input, read in pieces.
class Pieces {
public:
    explicit Pieces(const CompressedReader& read) : read_(read), buffer_(PieceSize) {}
    // The next piece; empty at the end.
    std::string_view Next() { return {buffer_.data(), read_(buffer_.data(), buffer_.size())}; }

private:
    const CompressedReader& read_;
    std::vector<char> buffer_;
};

[[noreturn]] void Damaged(const std::string& path, Compression compression,
                          const std::string& reason) {
    throw FileError(path, std::string(CompressionName(compression)) + " data: " + reason);
}

constexpr std::string_view Truncated = "unexpected end of the compressed data (a truncated file)";

// Several gzip members one after the other are one content, as gzip reads them.
void Gunzip(const std::string& path, const CompressedReader& read, const ContentWriter& write) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        throw std::bad_alloc();
    const std::unique_ptr<z_stream, int (*)(z_stream*)> closer(&stream, inflateEnd);
    Pieces pieces(read);
    std::vector<char> out(PieceSize);
    std::string_view in = pieces.Next();
    bool outputFull = false; // more content may wait without more input
    for (;;) {
        if (in.empty() && !outputFull) {
            if ((in = pieces.Next()).empty())
                Damaged(path, Compression::Gzip, std::string(Truncated));
        }
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        stream.avail_in = static_cast<uInt>(in.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        in.remove_prefix(in.size() - stream.avail_in);
        const std::size_t made = out.size() - stream.avail_out;
        outputFull = stream.avail_out == 0;
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            Damaged(path, Compression::Gzip,
                    stream.msg != nullptr ? stream.msg : "damaged compressed data");
        if (made > 0 && !write(std::string_view(out.data(), made)))
            return;
        if (result != Z_STREAM_END)
            continue;
        if (in.empty() && (in = pieces.Next()).empty())
            return;
        if (CompressionOf(in) != Compression::Gzip && in.size() >= 2)
            Damaged(path, Compression::Gzip, "data after the end of the compressed stream");
        inflateReset(&stream);
    }
}

std::string XzReason(lzma_ret result) {
    switch (result) {
    case LZMA_MEMLIMIT_ERROR:
        return "it needs more than " + std::to_string(XzMemoryLimit >> 20) +
               " MB of memory to decompress";
    case LZMA_FORMAT_ERROR:
        return "not in the xz format";
    case LZMA_OPTIONS_ERROR:
        return "unsupported compression options";
    case LZMA_DATA_ERROR:
        return "the compressed data is damaged";
    case LZMA_BUF_ERROR:
        return std::string(Truncated);
    case LZMA_MEM_ERROR:
        throw std::bad_alloc();
    default:
        return "liblzma error " + std::to_string(static_cast<int>(result));
    }
}

void Unxz(const std::string& path, const CompressedReader& read, const ContentWriter& write) {
    lzma_stream stream = LZMA_STREAM_INIT;
    const lzma_ret init = lzma_stream_decoder(&stream, XzMemoryLimit, LZMA_CONCATENATED);
    if (init != LZMA_OK)
        Damaged(path, Compression::Xz, XzReason(init));
    const std::unique_ptr<lzma_stream, void (*)(lzma_stream*)> closer(&stream, lzma_end);
    Pieces pieces(read);
    std::vector<char> out(PieceSize);
    std::string_view in;
    bool ended = false;
    for (;;) {
        if (in.empty() && !ended)
            ended = (in = pieces.Next()).empty();
        stream.next_in = reinterpret_cast<const std::uint8_t*>(in.data());
        stream.avail_in = in.size();
        stream.next_out = reinterpret_cast<std::uint8_t*>(out.data());
        stream.avail_out = out.size();
        const lzma_ret result = lzma_code(&stream, ended ? LZMA_FINISH : LZMA_RUN);
        in.remove_prefix(in.size() - stream.avail_in);
        const std::size_t made = out.size() - stream.avail_out;
        if (made > 0 && !write(std::string_view(out.data(), made)))
            return;
        if (result == LZMA_STREAM_END)
            return;
        if (result != LZMA_OK)
            Damaged(path, Compression::Xz, XzReason(result));
    }
}

void Unzstd(const std::string& path, const CompressedReader& read, const ContentWriter& write) {
    const std::unique_ptr<ZSTD_DCtx, std::size_t (*)(ZSTD_DCtx*)> context(ZSTD_createDCtx(),
                                                                          ZSTD_freeDCtx);
    if (!context)
        throw std::bad_alloc();
    ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, ZstdWindowLogMax);
    Pieces pieces(read);
    std::vector<char> out(PieceSize);
    std::size_t frameLeft = 0; // non-zero while a frame is not complete
    // Calls the decoder on `in` for as long as it takes input or gives content: a block may
    // be handed out over several calls after its input has been taken.
    const auto decode = [&](std::string_view in) {
        ZSTD_inBuffer input{in.data(), in.size(), 0};
        for (;;) {
            ZSTD_outBuffer output{out.data(), out.size(), 0};
            const std::size_t taken = input.pos;
            const std::size_t result = ZSTD_decompressStream(context.get(), &output, &input);
            if (ZSTD_isError(result) != 0)
                Damaged(path, Compression::Zstd, ZSTD_getErrorName(result));
            // A call that does nothing after a complete frame asks for the next frame's header.
            if (output.pos == 0 && input.pos == taken)
                return true;
            frameLeft = result;
            if (output.pos > 0 && !write(std::string_view(out.data(), output.pos)))
                return false;
        }
    };
    for (std::string_view in; !(in = pieces.Next()).empty();)
        if (!decode(in))
            return;
    if (!decode({}))
        return;
    if (frameLeft != 0)
        Damaged(path, Compression::Zstd, std::string(Truncated));
}

} // namespace

Compression CompressionOf(std::string_view firstBytes) {
    using namespace std::string_view_literals;
    if (firstBytes.starts_with("\x1f\x8b"sv))
        return Compression::Gzip;
    if (firstBytes.starts_with("\xfd"
                               "7zXZ\0"sv))
        return Compression::Xz;
    if (firstBytes.starts_with("\x28\xb5\x2f\xfd"sv))
        return Compression::Zstd;
    return Compression::None;
}

std::string_view CompressionName(Compression compression) {
    switch (compression) {
    case Compression::Gzip:
        return "gzip";
    case Compression::Xz:
        return "xz";
    case Compression::Zstd:
        return "zstd";
    case Compression::None:
        break;
    }
    return "uncompressed";
}

void Decompress(Compression compression, const std::string& path, const CompressedReader& read,
                const ContentWriter& write) {
    switch (compression) {
    case Compression::Gzip:
        return Gunzip(path, read, write);
    case Compression::Xz:
        return Unxz(path, read, write);
    case Compression::Zstd:
        return Unzstd(path, read, write);
    case Compression::None:
        break;
    }
    Pieces pieces(read);
    for (std::string_view in; !(in = pieces.Next()).empty();)
        if (!write(in))
            return;
}

} // namespace vantrel
