// The decoders behind the sound group, free of OpenAL: whole samples and incremental
// streams through libsndfile (WAV, OGG, FLAC from memory), tracker modules through
// libopenmpt. Every input may be malformed: they fail cleanly and never trust a header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct openmpt_module;
struct openmpt_module_ext;

// A sound file's container as its first bytes tell; only these three are opened.
bool soundFileKnown(const void* data, size_t size);

// A whole sample for an effect: 16-bit, interleaved, 1 or 2 channels.
struct DecodedSample {
    std::vector<int16_t> pcm;
    int channels = 0;
    int rate = 0;
    size_t frames = 0;
};

enum class DecodeResult { Ok, Failed, NoMemory };

// Longest effect accepted (frames), so that a hostile file cannot claim the memory.
constexpr size_t MAX_SAMPLE_FRAMES = size_t(1) << 25;

DecodeResult decodeSample(const void* data, size_t size, DecodedSample* out);

// A sound file decoded a piece at a time from memory it owns.
class StreamDecoder {
public:
    static std::unique_ptr<StreamDecoder> open(std::vector<unsigned char> data);
    ~StreamDecoder();

    int channels() const { return outChannels_; }  // 1 or 2
    int rate() const { return rate_; }
    int64_t frames() const { return frames_; }  // -1 when the file does not say
    int64_t position() const { return position_; }

    // Interleaved float frames of channels(); fewer than asked only at the end.
    size_t read(float* out, size_t frames);
    bool seek(int64_t frame);

private:
    StreamDecoder() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int outChannels_ = 0;
    int fileChannels_ = 0;
    int rate_ = 0;
    int64_t frames_ = -1;
    int64_t position_ = 0;
    std::vector<float> wide_;  // the file's own frames when it has more than two channels
};

// A tracker module rendered by libopenmpt into float stereo.
class ModulePlayer {
public:
    static std::unique_ptr<ModulePlayer> open(const void* data, size_t size);
    ~ModulePlayer();

    int orderCount() const { return orders_; }
    int trackCount() const { return tracks_; }
    int instrumentCount() const { return instruments_; }  // the samples when it has no instruments
    double duration() const { return duration_; }
    // Rows of the pattern at an order (0 for a skip or end marker).
    int rowsAt(int order) const;

    size_t render(int rate, float* stereo, size_t frames);
    void setLoop(bool loop);
    // False when the order or row is not in the module.
    bool seekOrderRow(int order, int row);
    void seekSeconds(double seconds);
    double positionSeconds() const;
    int order() const;
    int row() const;

    // amplify 0..100, 50 the module's own loudness.
    void setAmplify(int amplify);
    // volume 0..100 of one module channel, on top of the channel's own starting volume.
    void setTrackVolume(int track, int volume);
    // Only muting: libopenmpt has no finer per-instrument level.
    void setInstrumentMuted(int instrument, bool muted);

private:
    ModulePlayer() = default;
    openmpt_module_ext* ext_ = nullptr;
    openmpt_module* mod_ = nullptr;
    struct Interactive;
    std::unique_ptr<Interactive> interactive_;
    int orders_ = 0;
    int tracks_ = 0;
    int instruments_ = 0;
    double duration_ = 0.0;
    std::vector<double> trackBase_;  // each channel's own volume as the module starts
};
