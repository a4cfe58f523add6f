#include "soapy_source.h"

#include "file_error.h"

#include <SoapySDR/Constants.h>
#include <SoapySDR/Device.hpp>
#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.h>
#include <SoapySDR/Logger.hpp>
#include <SoapySDR/Types.hpp>

#include <bit>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <thread>
#include <utility>

namespace vantrel {

namespace {

using namespace std::chrono_literals;

// IqFormat::F32 is little-endian; the library hands out the machine's floats.
static_assert(std::endian::native == std::endian::little);

// A read waits this long for samples, so that a stop request is seen in time.
constexpr long ReadWaitMicroseconds = 100000;
// 2.4 MS/s: a piece of 64 Ki pairs is 27 ms.
constexpr std::size_t PiecePairs = std::size_t{1} << 16;

} // namespace

struct SoapySource::Device {
    SoapySDR::Device* device = nullptr;
    SoapySDR::Stream* stream = nullptr;
    ~Device() {
        if (stream != nullptr) {
            device->deactivateStream(stream);
            device->closeStream(stream);
        }
        if (device != nullptr)
            SoapySDR::Device::unmake(device);
    }
};

SoapySource::SoapySource(std::string args, const RadioTuning& tuning, LiveRadioSettings settings)
    : args_(std::move(args)), name_(args_.empty() ? "SoapySDR" : "SoapySDR " + args_),
      tuning_(tuning), sampleRate_(tuning.sampleRate), centerHz_(tuning.centerHz),
      reconnection_(name_, std::move(settings)), buffer_(PiecePairs) {
    // The modules' chatter (which tuner was found, an "O" for every overflow) is not the
    // user's; their warnings and errors are.
    SoapySDR::setLogLevel(SOAPY_SDR_WARNING);
}

SoapySource::~SoapySource() = default;

void SoapySource::Open() {
    auto opened = std::make_unique<Device>();
    try {
        opened->device = SoapySDR::Device::make(args_);
        SoapySDR::Device& device = *opened->device;
        device.setSampleRate(SOAPY_SDR_RX, 0, tuning_.sampleRate);
        device.setFrequency(SOAPY_SDR_RX, 0, tuning_.centerHz);
        device.setGainMode(SOAPY_SDR_RX, 0, !tuning_.gainDb);
        if (tuning_.gainDb)
            device.setGain(SOAPY_SDR_RX, 0, *tuning_.gainDb);
        sampleRate_ = device.getSampleRate(SOAPY_SDR_RX, 0);
        centerHz_ = device.getFrequency(SOAPY_SDR_RX, 0);
        opened->stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0},
                                            SoapySDR::KwargsFromString(args_));
        if (const int status = device.activateStream(opened->stream); status != 0)
            throw std::runtime_error(SoapySDR::errToStr(status));
    } catch (const std::exception& error) {
        opened.reset();
        reconnection_.Failed(error.what());
        return;
    }
    device_ = std::move(opened);
    lastSamples_ = std::chrono::steady_clock::now();
}

void SoapySource::Lose(const std::string& reason) {
    device_.reset();
    reconnection_.Lost(reason);
}

std::optional<std::span<const char>> SoapySource::Read() {
    if (!device_) {
        if (reconnection_.Due())
            Open();
        if (!device_) {
            std::this_thread::sleep_for(
                std::min<std::chrono::steady_clock::duration>(reconnection_.UntilDue(), 100ms));
            return std::span<const char>();
        }
    }
    void* buffers[] = {buffer_.data()};
    int flags = 0;
    long long timeNs = 0;
    int got = 0;
    try {
        got = device_->device->readStream(device_->stream, buffers, buffer_.size(), flags, timeNs,
                                          ReadWaitMicroseconds);
    } catch (const std::exception& error) {
        // Some modules throw where others return an error code.
        Lose(error.what());
        return std::span<const char>();
    }
    const auto now = std::chrono::steady_clock::now();
    if (got > 0) {
        lastSamples_ = now;
        return std::span<const char>(reinterpret_cast<const char*>(buffer_.data()),
                                     static_cast<std::size_t>(got) * sizeof buffer_[0]);
    }
    if (got == SOAPY_SDR_OVERFLOW) {
        // Samples were dropped: the ones before and after do not join.
        if (overflows_++ == 0 && reconnection_.settings().notice)
            reconnection_.settings().notice(
                name_ + ": samples dropped, the decode was slower than the radio (said once)");
        return std::span<const char>();
    }
    const double silence = reconnection_.settings().silenceSeconds;
    if (got == SOAPY_SDR_TIMEOUT || got == 0) {
        if (now - lastSamples_ >= std::chrono::duration<double>(silence))
            Lose("no samples for " + SecondsText(silence));
        return std::span<const char>();
    }
    Lose(SoapySDR::errToStr(got));
    return std::span<const char>();
}

} // namespace vantrel
