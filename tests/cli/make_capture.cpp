// Writes a receiver's IQ capture with calls on channels of a band, for vantrel-decode's band
// tests: each call made by the test encoder and modulator, FM-modulated by the test radio onto
// its channel with a carrier error of its own, in white noise, quantised as rtl_sdr writes (u8)
// or as 16-bit values (s16, for the tests to wrap in a WAV). Prints the calls it put in, one
// JSON object a line: {"hz": channel, "FromAddr": ..., "ToAddr": ..., "start": seconds}.
// Usage: make-capture OUT u8|s16 RATE CENTRE SECONDS HZ@START...
#include "band_calls.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: make-capture OUT u8|s16 RATE CENTRE SECONDS HZ@START...\n");
    return 2;
}

std::vector<char> S16Bytes(const std::vector<std::complex<float>>& iq) {
    std::vector<char> bytes;
    bytes.reserve(iq.size() * 4);
    for (const std::complex<float>& sample : iq)
        for (const float value : {sample.real(), sample.imag()}) {
            const long scaled = std::lround(std::clamp(value, -1.0F, 1.0F) * 32767.0F);
            bytes.push_back(static_cast<char>(scaled & 0xFF));
            bytes.push_back(static_cast<char>((scaled >> 8) & 0xFF));
        }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 7)
        return Usage();
    const std::string out = argv[1];
    const std::string format = argv[2];
    modulator::Band band;
    band.sampleRate = std::atof(argv[3]);
    const double centre = std::atof(argv[4]);
    band.seconds = std::atof(argv[5]);
    if (format != "u8" && format != "s16")
        return Usage();
    std::vector<modulator::Carrier> carriers;
    for (int i = 6; i < argc; ++i) {
        const std::string call = argv[i];
        const std::size_t at = call.find('@');
        if (at == std::string::npos)
            return Usage();
        const double hz = std::atof(call.substr(0, at).c_str());
        const auto n = static_cast<std::size_t>(i);
        modulator::Carrier carrier;
        carrier.audio = band_calls::CallAudio(n, n);
        // Carriers off their channels either way, as transmitters are.
        carrier.offsetHz = hz - centre + (i % 2 == 0 ? 1500.0 : -1200.0);
        carrier.deviationHz = 2000;
        carrier.cnDb = 20;
        carrier.startSeconds = std::atof(call.substr(at + 1).c_str());
        carriers.push_back(std::move(carrier));
        const band_calls::Record sent = band_calls::Records(band_calls::CallBits(n)).front();
        std::printf("{\"hz\": %.0f, \"FromAddr\": \"%s\", \"ToAddr\": \"%s\", \"start\": %g}\n", hz,
                    sent.FromAddr.c_str(), sent.ToAddr.c_str(), carriers.back().startSeconds);
    }
    const std::vector<std::complex<float>> iq = modulator::MakeIq(band, carriers);
    std::ofstream file(out, std::ios::binary);
    if (format == "u8") {
        const std::vector<std::uint8_t> bytes = modulator::ToU8(iq);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    } else {
        const std::vector<char> bytes = S16Bytes(iq);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return file.good() ? 0 : 1;
}
