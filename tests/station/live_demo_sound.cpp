// live-demo-sound OUT.wav: a quarter minute of a busy channel as a receiver hears it, for the
// README's picture of the live page (take_screenshot.py plays it into a sound card): a
// dispatcher and five radios at their own levels, calls and acknowledgements, status
// messages, a text message, and two vehicles sending their GPS positions as they drive.
#include "encoder.h"
#include "modulator.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using encoder::Header;

std::string Keyed(const std::string& block) {
    std::string bits;
    for (int i = 0; i < 24; ++i)
        bits += (i % 2 == 0) ? '1' : '0';
    return bits + block + "0101";
}

// "$GPRMC" at a position given in degrees, as a unit's GPS sends it.
std::string Rmc(const std::string& time, double latitude, double longitude) {
    const auto field = [](double degrees, int width) {
        const double whole = std::floor(std::abs(degrees));
        char text[32];
        std::snprintf(text, sizeof text, "%0*.0f%07.4f", width, whole,
                      (std::abs(degrees) - whole) * 60);
        return std::string(text);
    };
    return encoder::NmeaSentence("GPRMC," + time + ",A," + field(latitude, 2) +
                                 (latitude < 0 ? ",S," : ",N,") + field(longitude, 3) +
                                 (longitude < 0 ? ",W," : ",E,") + "031.5,084.4,071226,003.1,W") +
           "\r\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: live-demo-sound OUT.wav\n");
        return 2;
    }
    const int rate = 16000;
    modulator::Recording recording;
    recording.sampleRate = rate;
    recording.ebN0Db = 18;
    recording.seed = 27;
    modulator::Modulator sound(recording);

    struct Radio {
        std::uint32_t address;
        double levelDbfs;
        double toneOffsetHz;
    };
    const Radio base{0x100, -6, 3}, van1{0x211, -11, -9}, van2{0x212, -17, 14},
        handheld{0x305, -24, -20}, patrol{0x318, -14, 6}, depot{0x420, -9, -4};
    const auto send = [&](const Radio& radio, const std::string& block, double pause) {
        modulator::Impairments impairments;
        impairments.levelDbfs = radio.levelDbfs;
        impairments.lowToneOffsetHz = radio.toneOffsetHz;
        impairments.highToneOffsetHz = -radio.toneOffsetHz / 2;
        impairments.clockOffset = radio.toneOffsetHz / 4000;
        sound.Transmission(Keyed(block), impairments);
        sound.Silence(pause);
    };
    const auto call = [](const Radio& from, const Radio& to, std::uint32_t function = 10) {
        return encoder::CallBlock(Header{function, 12, 4, from.address, to.address});
    };
    const auto data = [](const Radio& from, const Radio& to, const std::string& text) {
        return encoder::ShortDataBlock(Header{encoder::ShortData, 12, 4, from.address, to.address},
                                       text);
    };
    // Two vans along two roads out of town, a position every few seconds.
    const auto van1At = [](int step) {
        return Rmc("0915" + std::to_string(10 + 6 * step), 52.5163 + 0.0031 * step,
                   13.3777 + 0.0058 * step);
    };
    const auto van2At = [](int step) {
        return Rmc("0915" + std::to_string(13 + 6 * step), 52.5069 - 0.0024 * step,
                   13.3612 - 0.0049 * step);
    };

    sound.Silence(0.6);
    send(base, call(base, van1), 0.4);
    send(van1, call(van1, base, 18), 0.5);
    send(van1, data(van1, base, van1At(0)), 0.5);
    sound.Voice(1.0, -16);
    sound.Silence(0.3);
    send(van2, data(van2, base, van2At(0)), 0.6);
    send(handheld, call(handheld, base, 33), 0.5);
    send(base, data(base, patrol, "MEET VAN 2 AT GATE B"), 0.4);
    send(patrol, call(patrol, base, 18), 0.7);
    send(van1, data(van1, base, van1At(1)), 0.5);
    send(depot, call(depot, base, 40), 0.6);
    send(van2, data(van2, base, van2At(1)), 0.5);
    sound.Voice(0.8, -19);
    sound.Silence(0.3);
    send(van1, data(van1, base, van1At(2)), 0.5);
    send(base, call(base, depot), 0.4);
    send(depot, call(depot, base, 18), 0.6);
    send(van2, data(van2, base, van2At(2)), 0.5);
    send(handheld, data(handheld, base, "BATTERY LOW CH 4"), 0.6);
    send(van1, data(van1, base, van1At(3)), 0.5);
    send(van2, data(van2, base, van2At(3)), 0.8);

    const std::vector<float> audio = sound.Finish();
    std::vector<short> pcm(audio.size());
    std::transform(audio.begin(), audio.end(), pcm.begin(), [](float sample) {
        return static_cast<short>(std::lrint(std::clamp(sample, -1.0F, 1.0F) * 32767.0F));
    });
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (file == nullptr)
        return 1;
    sf_writef_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    return sf_close(file) == 0 ? 0 : 1;
}
