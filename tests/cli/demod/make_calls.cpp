// Single-block calls as a scanner hears them, for the tests of sound made by another modem:
// one line per call, "FEC" or "NOFEC", its ToAddr as the record shows it, and its bits with a
// carrier lead-in. The FEC choice follows a fixed random sequence, or "fec" makes all FEC;
// "ambiguous" makes the first call one that reads better turned round (an unlisted country
// code that reads as a listed one, an acknowledgement that reads as a status).
// Usage: make-calls COUNT SEED [fec|ambiguous]
#include "encoder.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const int count = std::atoi(argv[1]);
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[2])));
    const bool allFec = argc > 3 && std::string(argv[3]) == "fec";
    const bool ambiguous = argc > 3 && std::string(argv[3]) == "ambiguous";
    for (int i = 0; i < count; ++i) {
        const bool fec = allFec || (random() & 1U) != 0;
        const bool turned = ambiguous && i == 0;
        const encoder::Header header{turned ? 20U : encoder::NormalCall, turned ? 40U : 10U, 1,
                                     0x100 + static_cast<unsigned>(i),
                                     0x400 + static_cast<unsigned>(random() % 0x800)};
        const std::string block =
            encoder::CallBlock(header, fec ? encoder::Sync::Fec : encoder::Sync::NoFec);
        std::printf("%s %X%03X 101010101010101010101010%s0101\n", fec ? "FEC" : "NOFEC",
                    header.common, header.to, block.c_str());
    }
    return 0;
}
