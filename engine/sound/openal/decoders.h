// The decoders behind the sound group, free of OpenAL: whole samples and incremental
// streams from memory through libvorbisfile (Ogg Vorbis) and libsndfile (WAV, FLAC),
// tracker modules through libopenmpt. Every input may be malformed: they fail cleanly and never trust a header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct openmpt_module;
struct openmpt_module_ext;

// A sound file's container as its first bytes tell; only these three are opened.
bool soundFileKnown(const void* data, size_t size);

// A whole sample for an effect: 16-bit, interleaved, 1 or 2 channels, clipped where
// the file goes past full scale.
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
    bool rewind();
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
    // volume 0..100 of one instrument. libopenmpt has no level per instrument, only a
    // mute (from the instrument's next note on) and a volume per channel: 0 mutes it,
    // other levels scale each channel while the pattern has that instrument on it.
    void setInstrumentVolume(int instrument, int volume);

private:
    ModulePlayer() = default;
    // The rows played since the last call: which instrument each channel has.
    void followRows();
    // keepKnown: looking back, a channel keeps the instrument of a later row.
    void takeInstruments(int order, int row, bool keepKnown);
    // After a seek: each channel's instrument from the rows before, and every level again.
    void afterSeek();
    void applyLevels();
    openmpt_module_ext* ext_ = nullptr;
    openmpt_module* mod_ = nullptr;
    struct Interactive;
    std::unique_ptr<Interactive> interactive_;
    int orders_ = 0;
    int tracks_ = 0;
    int instruments_ = 0;
    double duration_ = 0.0;
    std::vector<double> trackBase_;  // each channel's own volume as the module starts
    std::vector<int> trackLevel_;
    std::vector<uint8_t> trackTouched_;
    std::vector<int> instrumentLevel_;
    std::vector<int> channelInstrument_;  // -1: none seen
    // The channel volume last set: -1 never (the module's own), NaN to set again.
    std::vector<double> written_;
    int lastOrder_ = -1;
    int lastRow_ = -1;
};
