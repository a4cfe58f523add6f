#include "iq_capture.h"

#include "centre_in_name.h"
#include "file_error.h"

#include <algorithm>

namespace vantrel {

namespace {

bool Stopped(const volatile std::sig_atomic_t* stop) {
    return stop != nullptr && *stop != 0;
}

} // namespace

IqCapture::IqCapture(std::string name, const CaptureLayout& layout, ArrivingBytes bytes,
                     const volatile std::sig_atomic_t* stop)
    : name_(std::move(name)), bytes_(std::move(bytes)) {
    std::optional<double> fileCentre;
    if (layout.raw) {
        format_ = *layout.raw;
        sampleRate_ = layout.sampleRate;
    } else {
        ReadHeader(stop);
        fileCentre = centreHz_;
    }
    if (layout.centreHz)
        centreHz_ = layout.centreHz;
    else if (!fileCentre && name_ != "-")
        centreHz_ = CentreInName(name_);
}

void IqCapture::ReadHeader(const volatile std::sig_atomic_t* stop) {
    while (true) {
        const IqWavHeader header = ReadIqWavHeader(header_);
        if (header.status == IqWavHeader::Status::Invalid)
            throw FileError(name_, header.problem);
        if (header.status == IqWavHeader::Status::Ready) {
            format_ = header.start.format;
            sampleRate_ = header.start.sampleRate;
            centreHz_ = header.start.centreHz;
            announced_ = header.start.dataBytes;
            headerSamples_ = static_cast<std::size_t>(header.start.dataOffset);
            headerOut_ = headerSamples_ >= header_.size();
            return;
        }
        if (Stopped(stop)) {
            ready_ = false;
            return;
        }
        const std::optional<std::string_view> piece = bytes_();
        if (!piece)
            throw FileError(name_, header_.empty() ? "is empty: no WAV header"
                                                   : "ends before its WAV header does");
        header_.append(*piece);
    }
}

std::span<const char> IqCapture::Taken(std::string_view piece) {
    if (announced_)
        piece = piece.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(
                                    piece.size(), *announced_ - dataRead_)));
    dataRead_ += piece.size();
    return {piece.data(), piece.size()};
}

std::optional<std::span<const char>> IqCapture::Read() {
    if (!ready_ || ended_ || (announced_ && dataRead_ >= *announced_))
        return std::nullopt;
    if (!headerOut_) {
        headerOut_ = true;
        return Taken(std::string_view(header_).substr(headerSamples_));
    }
    const std::optional<std::string_view> piece = bytes_();
    if (!piece) {
        ended_ = true;
        return std::nullopt;
    }
    return Taken(*piece);
}

std::optional<double> IqCapture::SecondsAhead(std::optional<std::uint64_t> rawBytes) const {
    const std::optional<std::uint64_t> bytes = announced_            ? announced_
                                               : headerSamples_ == 0 ? rawBytes
                                                                     : std::nullopt;
    if (!bytes || !(sampleRate_ > 0))
        return std::nullopt;
    // Whole pairs: a cut one at the end is no sample.
    const std::uint64_t pairs = *bytes / (2 * channelizer::Info(format_).valueBytes);
    return static_cast<double>(pairs) / sampleRate_;
}

} // namespace vantrel
