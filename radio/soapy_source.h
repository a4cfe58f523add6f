// A live radio through SoapySDR (libsoapysdr), which drives many receivers (RTL-SDR, Airspy,
// HackRF, ...) through modules of its own: the one file that knows the library. The device is
// named as SoapySDR names devices ("driver=rtlsdr", "driver=rtlsdr,serial=00000001"); its
// samples are read as complex floats.
#pragma once

#include "iq_source.h"
#include "live_radio.h"
#include "reconnection.h"

#include <chrono>
#include <complex>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

class SoapySource : public IqSource {
public:
    // `args` are SoapySDR device arguments, handed to its stream as well (where a module reads
    // its stream's settings, such as the audio module's chan=stereo_iq). Opens the device on
    // the first Read.
    SoapySource(std::string args, const RadioTuning& tuning, LiveRadioSettings settings);
    ~SoapySource() override;
    SoapySource(const SoapySource&) = delete;
    SoapySource& operator=(const SoapySource&) = delete;
    SoapySource(SoapySource&&) = delete;
    SoapySource& operator=(SoapySource&&) = delete;

    // Samples as they come, an empty piece after a tenth of a second without any; never ends.
    // Opens the device, and opens it again when it goes away. Throws FileError with SoapySDR's
    // description when the device cannot be opened at the start and the run does not wait.
    std::optional<std::span<const char>> Read() override;

    channelizer::IqFormat format() const override { return channelizer::IqFormat::F32; }
    // What the device took: a device may round the rate or the frequency asked for.
    double sampleRate() const override { return sampleRate_; }
    std::optional<double> centerHz() const override { return centerHz_; }
    const std::string& name() const override { return name_; }
    std::uint64_t breaks() const override { return reconnection_.breaks() + overflows_; }

private:
    struct Device;
    void Open();
    void Lose(const std::string& reason);

    std::string args_;
    std::string name_;
    RadioTuning tuning_;
    double sampleRate_;
    double centerHz_;
    Reconnection reconnection_;
    std::unique_ptr<Device> device_;
    std::vector<std::complex<float>> buffer_;
    std::uint64_t overflows_ = 0;
    std::chrono::steady_clock::time_point lastSamples_;
};

} // namespace vantrel
