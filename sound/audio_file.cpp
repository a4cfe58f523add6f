// Sound files go through libsndfile, which recognises the format by content; raw PCM is read
// here, because a pipe from a sound card has no header to recognise.
#include "audio_file.h"

#include "file_error.h"
#include "sound_stream.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vantrel {

namespace {

// Samples per piece handed out: small enough that a live stream is passed on within
// milliseconds, large enough that the calls cost nothing.
constexpr std::size_t PieceSamples = 4096;
// The frame buffer of a many-channel file stays below this many samples.
constexpr std::size_t MaxBufferedSamples = 1 << 16;

std::string SystemError(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

// A sample the demodulator can take: files in floating point may hold anything, including
// NaN or values far beyond full scale, which would poison its filters for good.
float Sanitised(float sample) {
    if (!std::isfinite(sample))
        return 0.0F;
    return std::clamp(sample, -1.0F, 1.0F);
}

// A sound file's bytes read through libsndfile's virtual I/O. An exception must not cross
// libsndfile's C code: a failing read is kept here, reported as the end of the bytes, and
// thrown again once libsndfile has returned.
struct VirtualBytes {
    AudioFile::ReadAt readAt;
    sf_count_t size = 0;
    sf_count_t position = 0;
    std::exception_ptr failure;

    void ThrowFailure() const {
        if (failure)
            std::rethrow_exception(failure);
    }
};

sf_count_t VirtualLength(void* user) {
    return static_cast<VirtualBytes*>(user)->size;
}

sf_count_t VirtualSeek(sf_count_t offset, int whence, void* user) {
    auto* bytes = static_cast<VirtualBytes*>(user);
    const sf_count_t size = bytes->size;
    sf_count_t base = 0;
    if (whence == SEEK_CUR)
        base = bytes->position;
    else if (whence == SEEK_END)
        base = size;
    // Out-of-range requests are clamped: a hostile header may ask for any offset.
    if (offset > size - base)
        bytes->position = size;
    else if (offset < -base)
        bytes->position = 0;
    else
        bytes->position = base + offset;
    return bytes->position;
}

sf_count_t VirtualRead(void* destination, sf_count_t count, void* user) {
    auto* bytes = static_cast<VirtualBytes*>(user);
    const sf_count_t n =
        std::clamp<sf_count_t>(bytes->size - bytes->position, 0, std::max<sf_count_t>(count, 0));
    if (n == 0 || bytes->failure)
        return 0;
    try {
        const std::size_t got =
            bytes->readAt(static_cast<std::uint64_t>(bytes->position),
                          static_cast<char*>(destination), static_cast<std::size_t>(n));
        bytes->position += static_cast<sf_count_t>(got);
        return static_cast<sf_count_t>(got);
    } catch (...) {
        bytes->failure = std::current_exception();
        return 0;
    }
}

sf_count_t VirtualWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t VirtualTell(void* user) {
    return static_cast<VirtualBytes*>(user)->position;
}

// Before libsndfile sees the bytes of `path`: it would take anything that starts with eleven 1
// bits for MPEG audio and hand it to a decoder that writes its complaints to standard error.
// Only content with the mark of a sound file goes on.
void CheckFirstBytes(const std::string& path, std::string_view firstBytes) {
    if (LooksLikeMpeg(firstBytes))
        throw FileError(path, std::string(MpegDescription));
    if (!LooksLikeAudio(firstBytes))
        throw FileError(path, std::string(NotAudioDescription));
}

// Writers that stream to a pipe cannot know the length and put the largest value they can in
// the header: such a file is not cut short however much it holds.
constexpr std::uint64_t UnknownLengthMark = 0x7FFFF000;

// libsndfile accepts a WAV or AIFF whose data chunk is longer than the file and notes in its
// log that the chunk "should be" shorter: the mark of a recording cut short.
bool LogSaysDataCut(SNDFILE* sound) {
    std::array<char, 16384> log{}; // room for the log of a file with many chunks
    sf_command(sound, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
    const std::string_view text(log.data(), ::strnlen(log.data(), log.size()));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        const bool dataChunk = line.starts_with("data") || line.starts_with("SSND");
        if (!dataChunk || line.find("should be") == std::string_view::npos)
            continue;
        // "data : 16000 (should be 4956)"
        std::uint64_t announced = 0;
        const std::size_t digits = line.find_first_of("0123456789");
        if (digits != std::string_view::npos) {
            for (std::size_t i = digits; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
                announced = std::min<std::uint64_t>(
                    announced * 10 + static_cast<unsigned>(line[i] - '0'), UnknownLengthMark);
        }
        return announced < UnknownLengthMark;
    }
    return false;
}

} // namespace

struct AudioFile::State {
    std::string path;
    int sampleRate = 0;
    int channels = 1;
    int channel = 0; // 0-based

    int fd = -1;
    bool ownsFd = false;
    std::unique_ptr<VirtualBytes> bytes;
    SF_VIRTUAL_IO virtualIo{VirtualLength, VirtualSeek, VirtualRead, VirtualWrite, VirtualTell};

    // A sound file through libsndfile; without one the input is raw PCM on `fd`.
    SNDFILE* sound = nullptr;
    std::optional<PcmSamples> raw;
    sf_count_t announcedFrames = -1; // -1: not known (a pipe)
    sf_count_t framesRead = 0;
    bool dataCut = false;

    std::vector<float> frames;
    std::vector<float> samples;
    std::vector<char> rawBytes;
    bool ended = false;
    bool endedEarly = false;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (sound != nullptr)
            sf_close(sound);
        if (ownsFd && fd >= 0)
            ::close(fd);
    }

    // Opens `path` for reading ("-": standard input); file errors in the system's words.
    void OpenDescriptor() {
        if (path == "-") {
            fd = STDIN_FILENO;
            return;
        }
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw FileError(path, SystemError(errno));
        ownsFd = true;
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode))
            throw FileError(path, SystemError(EISDIR));
    }

    // Takes over a freshly opened sound file, or says why it could not be opened; `toldSound`:
    // its first bytes were those of a sound file.
    void Accept(SNDFILE* opened, const SF_INFO& info, bool toldSound, int wantedChannel) {
        if (opened == nullptr) {
            const int code = sf_error(nullptr);
            if (code == SF_ERR_SYSTEM)
                throw FileError(path, SystemError(errno));
            if (code == SF_ERR_UNRECOGNISED_FORMAT && !toldSound)
                throw FileError(path, std::string(NotAudioDescription));
            throw FileError(path, std::string("unreadable or unsupported audio file: ") +
                                      sf_strerror(nullptr));
        }
        sound = opened;
        const int subtype = info.format & SF_FORMAT_SUBMASK;
        if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG ||
            subtype == SF_FORMAT_MPEG_LAYER_I || subtype == SF_FORMAT_MPEG_LAYER_II ||
            subtype == SF_FORMAT_MPEG_LAYER_III)
            throw FileError(path, std::string(MpegDescription));
        sampleRate = info.samplerate;
        channels = info.channels;
        if (channels < 1)
            throw FileError(path, "unreadable audio file: it has no channels");
        CheckRate();
        if (wantedChannel < 1 || wantedChannel > channels) {
            throw FileError(path, "there is no channel " + std::to_string(wantedChannel) +
                                      ": the file has " + std::to_string(channels));
        }
        channel = wantedChannel - 1;
        if (info.seekable != 0 && info.frames >= 0 && info.frames < SF_COUNT_MAX / 2)
            announcedFrames = info.frames;
        dataCut = LogSaysDataCut(sound);
        const std::size_t framesPerPiece = std::clamp<std::size_t>(
            MaxBufferedSamples / static_cast<std::size_t>(channels), 1, PieceSamples);
        frames.resize(framesPerPiece * static_cast<std::size_t>(channels));
    }

    void CheckRate() const {
        if (sampleRate < MinAudioSampleRate || sampleRate > MaxAudioSampleRate) {
            throw FileError(path, "unsupported sample rate " + std::to_string(sampleRate) +
                                      " Hz: " + std::to_string(MinAudioSampleRate) + " to " +
                                      std::to_string(MaxAudioSampleRate) + " Hz are read");
        }
    }

    std::optional<std::span<const float>> ReadSound() {
        const auto wanted =
            static_cast<sf_count_t>(frames.size() / static_cast<std::size_t>(channels));
        const sf_count_t got = sf_readf_float(sound, frames.data(), wanted);
        if (bytes)
            bytes->ThrowFailure();
        if (got <= 0) {
            ended = true;
            // A failing read of the file itself is the system's error, not a cut recording.
            if (sf_error(sound) == SF_ERR_SYSTEM)
                throw FileError(path, sf_strerror(sound));
            endedEarly = dataCut || sf_error(sound) != SF_ERR_NO_ERROR ||
                         (announcedFrames >= 0 && framesRead < announcedFrames);
            return std::nullopt;
        }
        framesRead += got;
        samples.resize(static_cast<std::size_t>(got));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = Sanitised(
                frames[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)]);
        return samples;
    }

    // Raw PCM is read as it arrives, the samples made by the same rule as a followed stream's.
    std::optional<std::span<const float>> ReadRaw() {
        rawBytes.resize(PieceSamples * 2);
        ssize_t got = 0;
        do {
            // One read: whatever a live pipe holds now is passed on at once.
            got = ::read(fd, rawBytes.data(), rawBytes.size());
        } while (got < 0 && errno == EINTR);
        if (got < 0)
            throw FileError(path, SystemError(errno));
        if (got == 0) {
            ended = true;
            endedEarly = raw->Partial(); // half a sample: the stream broke off
            return std::nullopt;
        }
        samples.clear();
        raw->Add(std::string_view(rawBytes.data(), static_cast<std::size_t>(got)), samples);
        return samples;
    }
};

AudioFile::AudioFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
AudioFile::AudioFile(AudioFile&&) noexcept = default;
AudioFile& AudioFile::operator=(AudioFile&&) noexcept = default;
AudioFile::~AudioFile() = default;

AudioFile AudioFile::Open(const std::string& path, int channel) {
    auto state = std::make_unique<State>();
    state->path = path;
    state->OpenDescriptor();
    // The first bytes, read without moving: a pipe (standard input, a named pipe) cannot give
    // them twice, so there libsndfile alone decides.
    std::array<char, 16> head{};
    ssize_t headSize = ::pread(state->fd, head.data(), head.size(), 0);
    const bool seekable = headSize >= 0 || errno != ESPIPE;
    if (headSize < 0 && seekable)
        throw FileError(path, SystemError(errno));
    headSize = std::max<ssize_t>(headSize, 0);
    const std::string_view firstBytes(head.data(), static_cast<std::size_t>(headSize));
    if (seekable)
        CheckFirstBytes(path, firstBytes);
    SF_INFO info{};
    SNDFILE* opened = sf_open_fd(state->fd, SFM_READ, &info, SF_FALSE);
    state->Accept(opened, info, LooksLikeAudio(firstBytes), channel);
    return AudioFile(std::move(state));
}

AudioFile AudioFile::OpenRaw(const std::string& path, int sampleRate) {
    auto state = std::make_unique<State>();
    state->path = path;
    state->sampleRate = sampleRate;
    state->CheckRate();
    state->OpenDescriptor();
    PcmFormat format;
    format.sampleRate = sampleRate;
    state->raw.emplace(format);
    return AudioFile(std::move(state));
}

AudioFile AudioFile::FromMemory(std::string bytes, const std::string& name, int channel) {
    // Bytes in memory are opened here: here they are told.
    CheckFirstBytes(name, std::string_view(bytes).substr(0, 16));
    auto held = std::make_shared<const std::string>(std::move(bytes));
    const auto size = held->size();
    return FromBytes(
        [held](std::uint64_t offset, char* buffer, std::size_t count) {
            const std::size_t n = std::min<std::uint64_t>(count, held->size() - offset);
            std::memcpy(buffer, held->data() + offset, n);
            return n;
        },
        size, name, channel);
}

AudioFile AudioFile::FromBytes(ReadAt readAt, std::uint64_t size, const std::string& name,
                               int channel) {
    auto state = std::make_unique<State>();
    state->path = name;
    state->bytes = std::make_unique<VirtualBytes>();
    state->bytes->readAt = std::move(readAt);
    state->bytes->size = static_cast<sf_count_t>(size);
    SF_INFO info{};
    SNDFILE* opened = sf_open_virtual(&state->virtualIo, SFM_READ, &info, state->bytes.get());
    if (state->bytes->failure && opened != nullptr)
        sf_close(opened);
    state->bytes->ThrowFailure();
    state->Accept(opened, info, true, channel);
    return AudioFile(std::move(state));
}

const std::string& AudioFile::name() const {
    return state_->path;
}
int AudioFile::sampleRate() const {
    return state_->sampleRate;
}
int AudioFile::channels() const {
    return state_->channels;
}
bool AudioFile::endedEarly() const {
    return state_->endedEarly;
}

std::optional<std::span<const float>> AudioFile::Read() {
    if (state_->ended)
        return std::nullopt;
    return state_->sound != nullptr ? state_->ReadSound() : state_->ReadRaw();
}

bool LooksLikeAudio(std::string_view firstBytes) {
    const auto at = [&](std::size_t offset, std::string_view magic) {
        return firstBytes.size() >= offset + magic.size() &&
               firstBytes.substr(offset, magic.size()) == magic;
    };
    const bool riff = (at(0, "RIFF") || at(0, "RIFX") || at(0, "RF64")) && at(8, "WAVE");
    const bool aiff = at(0, "FORM") && (at(8, "AIFF") || at(8, "AIFC"));
    const bool wave64 = at(0, "riff") && firstBytes.size() >= 12;
    return riff || aiff || wave64 || at(0, "fLaC") || at(0, "OggS") || at(0, ".snd") ||
           at(0, "dns.") || at(0, "caff") || LooksLikeMpeg(firstBytes);
}

bool LooksLikeMpeg(std::string_view firstBytes) {
    return firstBytes.starts_with("ID3");
}

} // namespace vantrel
