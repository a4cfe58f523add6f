// SoapySDR end to end without a radio: its audio module records a sound server's null sink as
// I (left) and Q (right). This program makes a capture of calls on two channels of a 48 kHz
// band, plays it into the sink with paplay once the source is reading, and decodes the band
// from the source as the band run does. Prints what it found; exit status 0 when every call
// was found once on its own channel and nothing else. Run by soapy_audio_test.sh, which starts
// the sound server.
// Usage: soapy_audio_check SINK WORK_FOLDER
#include "live_band.h"
#include "soapy_source.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr double Centre = 169.45e6;
constexpr double Rate = 48000;
constexpr double Low = Centre - 12500;
constexpr double High = Centre + 12500;

std::vector<std::uint8_t> Capture() {
    std::vector<modulator::Carrier> carriers;
    for (const auto& [call, hz, start] : {std::tuple{0, Low, 0.3}, std::tuple{1, High, 0.6}}) {
        modulator::Carrier carrier;
        carrier.audio = band_calls::CallAudio(static_cast<std::size_t>(call), 31);
        carrier.offsetHz = hz - Centre + 600;
        carrier.cnDb = 25;
        carrier.startSeconds = start;
        carriers.push_back(std::move(carrier));
    }
    modulator::Band band;
    band.sampleRate = Rate;
    band.seconds = 1.2;
    // The sound server's 16 bits: the band's noise well above their last step.
    band.noisePower = 1e-4;
    const std::vector<std::complex<float>> iq = modulator::MakeIq(band, carriers);
    std::vector<std::uint8_t> bytes;
    for (const std::complex<float>& s : iq)
        for (const float v : {s.real(), s.imag()}) {
            const auto value =
                static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0F, 1.0F) * 32767));
            bytes.push_back(static_cast<std::uint8_t>(value & 0xff));
            bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
        }
    return bytes;
}

pid_t Play(const std::string& sink, const std::string& file) {
    const std::string device = "--device=" + sink;
    std::vector<std::string> args = {
        "paplay", "--raw", "--format=s16le", "--rate=48000", "--channels=2", device, file};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "paplay", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: soapy_audio_check SINK WORK_FOLDER\n";
        return 2;
    }
    const std::string file = std::string(argv[2]) + "/capture.raw";
    const std::vector<std::uint8_t> capture = Capture();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(capture.data()),
               static_cast<std::streamsize>(capture.size()));

    std::vector<std::string> notices;
    vantrel::LiveRadioSettings settings;
    settings.notice = [&notices](std::string_view line) { notices.emplace_back(line); };
    vantrel::SoapySource source("driver=audio,chan=stereo_iq", {Centre, Rate, {}}, settings);
    // Reading before anything plays: the stream is open, nothing played is missed.
    radio_test::LiveBand band(channelizer::BandPlan({Centre, source.sampleRate(), 0}, {}));
    band.Run(source, 8 * 4800, 5s);
    const pid_t player = Play(argv[1], file);
    if (player < 0) {
        std::cerr << "paplay did not start\n";
        return 1;
    }
    // The capture's length and a second more, as pairs of floats.
    band.Run(source, 8 * static_cast<std::uint64_t>(2.5 * Rate), 10s);
    int status = 0;
    waitpid(player, &status, 0);
    const radio_test::LiveHeard heard = band.Finish();

    std::cout << "rate " << source.sampleRate() << ", centre " << *source.centerHz() << ", "
              << heard.bytes << " bytes, " << heard.breaks << " breaks, " << heard.calls.size()
              << " calls:";
    for (const band_calls::Call& call : heard.calls)
        std::cout << ' ' << call.hz << " from " << call.record.FromAddr << ';';
    for (const std::string& notice : notices)
        std::cout << "\nnotice: " << notice;
    std::cout << '\n';
    const std::vector<band_calls::Call> expected = {
        {Low, band_calls::Records(band_calls::CallBits(0)).at(0)},
        {High, band_calls::Records(band_calls::CallBits(1)).at(0)}};
    bool found =
        heard.calls.size() == expected.size() && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    for (const band_calls::Call& call : expected)
        found = found && std::count(heard.calls.begin(), heard.calls.end(), call) == 1;
    return found ? 0 : 1;
}
