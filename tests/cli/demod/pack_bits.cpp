// Packs the "0"/"1" characters of a bit text into bytes, first bit in the lowest place, as an
// asynchronous serial line without start and stop bits sends them: the input of a
// general-purpose soft modem told to send raw bits. Other characters (line ends) are skipped;
// the last byte is filled up with "0" bits.
// Usage: pack-bits < BITS.txt > BITS.bin
#include <cstdio>

int main() {
    int byte = 0;
    int bits = 0;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        if (c != '0' && c != '1')
            continue;
        byte |= (c - '0') << bits;
        if (++bits == 8) {
            std::putchar(byte);
            byte = 0;
            bits = 0;
        }
    }
    if (bits > 0)
        std::putchar(byte);
    return std::ferror(stdout) != 0 ? 1 : 0;
}
