#include "engine/sound/openal/decoders.h"

#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_ext.h>
#include <sndfile.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

// ---------------------------------------------------------------------------------
// libsndfile over a block of memory.

struct MemoryFile {
    const unsigned char* data = nullptr;
    sf_count_t size = 0;
    sf_count_t pos = 0;
};

sf_count_t memLength(void* user) { return static_cast<MemoryFile*>(user)->size; }

sf_count_t memSeek(sf_count_t offset, int whence, void* user) {
    auto* f = static_cast<MemoryFile*>(user);
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->size;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    // Out-of-range targets fail instead of wrapping.
    if ((offset > 0 && base > f->size - offset) || base + offset < 0) return -1;
    f->pos = base + offset;
    return f->pos;
}

sf_count_t memRead(void* ptr, sf_count_t count, void* user) {
    auto* f = static_cast<MemoryFile*>(user);
    if (count <= 0 || f->pos >= f->size) return 0;
    sf_count_t n = std::min(count, f->size - f->pos);
    std::memcpy(ptr, f->data + f->pos, static_cast<size_t>(n));
    f->pos += n;
    return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t memTell(void* user) { return static_cast<MemoryFile*>(user)->pos; }

SF_VIRTUAL_IO memoryIo() {
    SF_VIRTUAL_IO io;
    io.get_filelen = memLength;
    io.seek = memSeek;
    io.read = memRead;
    io.write = memWrite;
    io.tell = memTell;
    return io;
}

constexpr int MAX_RATE = 768000;
constexpr int MAX_FILE_CHANNELS = 64;
constexpr int MAX_SCAN_ROWS = 4096;  // rows looked back after a seek

// A sound file decoded into float frames of its own channels.
class Source {
public:
    virtual ~Source() = default;
    // Interleaved frames; fewer than asked only at the end, 0 there.
    virtual size_t read(float* out, size_t frames) = 0;
    // The frame it lands on, or -1.
    virtual int64_t seek(int64_t frame) = 0;
    int channels = 0;
    int rate = 0;
    int64_t frames = -1;  // -1 when the file does not say
    bool damaged = false;  // the decoder reported damaged data: what was read may be wrong
};

class SndfileSource : public Source {
public:
    explicit SndfileSource(SNDFILE* sf) : sf_(sf) {}
    ~SndfileSource() override { sf_close(sf_); }
    size_t read(float* out, size_t frames) override {
        const sf_count_t n = sf_readf_float(sf_, out, static_cast<sf_count_t>(frames));
        // Damage (FLAC's lost sync, a bad frame header or check sum) shows only in the
        // decoder's error: the read itself may end short or come back whole with
        // made-up samples.
        if (sf_error(sf_) != SF_ERR_NO_ERROR) damaged = true;
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
    int64_t seek(int64_t frame) override { return sf_seek(sf_, frame, SEEK_SET); }

private:
    SNDFILE* sf_;
};

// Ogg Vorbis goes through libvorbisfile, which frees its decoder state on every error
// path (libsndfile leaks it when a damaged file fails to open).
size_t vorbisRead(void* out, size_t size, size_t count, void* user) {
    if (size == 0) return 0;
    return static_cast<size_t>(memRead(out, static_cast<sf_count_t>(size * count), user)) / size;
}
int vorbisSeek(void* user, ogg_int64_t offset, int whence) { return memSeek(offset, whence, user) < 0 ? -1 : 0; }
long vorbisTell(void* user) { return static_cast<long>(memTell(user)); }

// Whether a page belongs to a stream the first link did not begin: a chained file, or
// stray pages. libvorbisfile's seekable open walks such a file link by link and leaks
// a serial-number list when a later link fails; read straight through, it does not.
bool oggHasOtherLinks(const unsigned char* d, size_t n) {
    uint32_t serials[16];
    size_t known = 0;
    bool firstLink = true;
    for (size_t at = 0; n >= 27 && at <= n - 27;) {
        if (std::memcmp(d + at, "OggS", 4) != 0) {  // damage: on to the next page
            ++at;
            continue;
        }
        const size_t segments = d[at + 26];
        if (n - at - 27 < segments) break;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) body += d[at + 27 + i];
        const uint32_t serial = uint32_t(d[at + 14]) | uint32_t(d[at + 15]) << 8 | uint32_t(d[at + 16]) << 16 |
                                uint32_t(d[at + 17]) << 24;
        if (firstLink && (d[at + 5] & 2) != 0) {
            if (known == sizeof(serials) / sizeof(serials[0])) return true;
            serials[known++] = serial;
        } else {
            firstLink = false;
            if (std::find(serials, serials + known, serial) == serials + known) return true;
        }
        at += 27 + segments + body;
    }
    return false;
}

class VorbisSource : public Source {
public:
    ~VorbisSource() override {
        if (open_) ov_clear(&vf_);
    }
    static std::unique_ptr<VorbisSource> open(MemoryFile* file) {
        std::unique_ptr<VorbisSource> src(new VorbisSource());
        // Without seeking such a file has no known length, and a stream seeks by
        // reading again from the start.
        const bool straight = oggHasOtherLinks(file->data, static_cast<size_t>(file->size));
        const ov_callbacks io = {vorbisRead, straight ? nullptr : vorbisSeek, nullptr, vorbisTell};
        if (ov_open_callbacks(file, &src->vf_, nullptr, 0, io) != 0) return nullptr;
        src->open_ = true;
        const vorbis_info* info = ov_info(&src->vf_, -1);
        if (!info) return nullptr;
        src->channels = info->channels;
        src->rate = static_cast<int>(std::min<long>(info->rate, std::numeric_limits<int>::max()));
        const ogg_int64_t total = ov_pcm_total(&src->vf_, -1);
        src->frames = total > 0 ? total : -1;
        return src;
    }
    size_t read(float* out, size_t frames) override {
        size_t done = 0;
        int holes = 0;
        while (done < frames) {
            float** pcm = nullptr;
            int link = 0;
            const long want = static_cast<long>(std::min<size_t>(frames - done, 4096));
            const long n = ov_read_float(&vf_, &pcm, static_cast<int>(want), &link);
            if (n == OV_HOLE && ++holes < 64) continue;  // a gap in damaged data: play on past it
            if (n <= 0) break;
            // A chained file whose next part has other channels or another rate ends here.
            const vorbis_info* info = ov_info(&vf_, link);
            if (!info || info->channels != channels || info->rate != rate) break;
            for (long i = 0; i < n; ++i) {
                for (int c = 0; c < channels; ++c) out[(done + static_cast<size_t>(i)) * channels + c] = pcm[c][i];
            }
            done += static_cast<size_t>(n);
        }
        return done;
    }
    int64_t seek(int64_t frame) override { return ov_pcm_seek(&vf_, frame) == 0 ? frame : -1; }

private:
    VorbisSource() = default;
    OggVorbis_File vf_{};
    bool open_ = false;
};

std::unique_ptr<Source> openMemory(MemoryFile* file) {
    if (!soundFileKnown(file->data, static_cast<size_t>(file->size))) return nullptr;
    std::unique_ptr<Source> src;
    // Every Ogg file: libsndfile would reach its Vorbis code through any page of one.
    if (std::memcmp(file->data, "OggS", 4) == 0) {
        src = VorbisSource::open(file);
    } else {
        SF_VIRTUAL_IO io = memoryIo();
        SF_INFO info;
        std::memset(&info, 0, sizeof(info));
        SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, file);
        if (!sf) return nullptr;
        src = std::make_unique<SndfileSource>(sf);
        src->channels = info.channels;
        src->rate = info.samplerate;
        src->frames = (info.seekable && info.frames > 0) ? info.frames : -1;
    }
    if (!src || src->rate <= 0 || src->rate > MAX_RATE || src->channels <= 0 || src->channels > MAX_FILE_CHANNELS) {
        return nullptr;
    }
    return src;
}

// Folds the file's channels into what OpenAL plays: 1 and 2 as they are, more to mono.
int outputChannels(int fileChannels) { return fileChannels <= 2 ? fileChannels : 1; }

// Full scale is 1.0 in float; loud lossy files and float files go past it, and are
// clipped rather than wrapped.
int16_t toPcm16(float v) {
    const float scaled = v * 32768.0f;
    if (!(scaled > -32768.0f)) return scaled == scaled ? -32768 : 0;  // NaN is silence
    if (scaled >= 32767.0f) return 32767;
    return static_cast<int16_t>(std::lrint(scaled));
}

}  // namespace

bool soundFileKnown(const void* data, size_t size) {
    if (!data || size < 12) return false;
    auto* p = static_cast<const unsigned char*>(data);
    if (std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WAVE", 4) == 0) return true;
    if (std::memcmp(p, "RF64", 4) == 0 && std::memcmp(p + 8, "WAVE", 4) == 0) return true;
    if (std::memcmp(p, "OggS", 4) == 0) return true;
    if (std::memcmp(p, "fLaC", 4) == 0) return true;
    return false;
}

DecodeResult decodeSample(const void* data, size_t size, DecodedSample* out) {
    *out = DecodedSample();
    MemoryFile file{static_cast<const unsigned char*>(data), static_cast<sf_count_t>(size), 0};
    std::unique_ptr<Source> src = openMemory(&file);
    if (!src) return DecodeResult::Failed;

    const int inCh = src->channels;
    const int outCh = outputChannels(inCh);
    DecodeResult result = DecodeResult::Ok;
    try {
        // The header's length is not trusted: grow by what actually decodes.
        constexpr size_t CHUNK = 4096;
        std::vector<float> chunk(CHUNK * static_cast<size_t>(inCh));
        size_t frames = 0;
        for (;;) {
            const size_t n = src->read(chunk.data(), CHUNK);
            if (n == 0) break;
            if (frames + n > MAX_SAMPLE_FRAMES) {
                result = DecodeResult::NoMemory;
                break;
            }
            const size_t at = out->pcm.size();
            out->pcm.resize(at + n * static_cast<size_t>(outCh));
            int16_t* dst = out->pcm.data() + at;
            if (inCh == outCh) {
                for (size_t i = 0; i < n * static_cast<size_t>(inCh); ++i) dst[i] = toPcm16(chunk[i]);
            } else {
                for (size_t i = 0; i < n; ++i) {
                    float sum = 0.0f;
                    for (int c = 0; c < inCh; ++c) sum += chunk[i * static_cast<size_t>(inCh) + c];
                    dst[i] = toPcm16(sum / static_cast<float>(inCh));
                }
            }
            frames += n;
        }
        if (src->damaged) result = DecodeResult::Failed;
        out->frames = frames;
    } catch (const std::bad_alloc&) {
        result = DecodeResult::NoMemory;
    }
    if (result == DecodeResult::Ok && out->frames == 0) result = DecodeResult::Failed;
    if (result != DecodeResult::Ok) {
        *out = DecodedSample();
        return result;
    }
    out->channels = outCh;
    out->rate = src->rate;
    out->pcm.shrink_to_fit();
    return DecodeResult::Ok;
}

// ---------------------------------------------------------------------------------
// Streams.

struct StreamDecoder::Impl {
    std::vector<unsigned char> data;
    MemoryFile file;
    std::unique_ptr<Source> src;
};

StreamDecoder::~StreamDecoder() = default;

std::unique_ptr<StreamDecoder> StreamDecoder::open(std::vector<unsigned char> data) {
    std::unique_ptr<StreamDecoder> dec(new StreamDecoder());
    dec->impl_ = std::make_unique<Impl>();
    Impl& impl = *dec->impl_;
    impl.data = std::move(data);
    impl.file = MemoryFile{impl.data.data(), static_cast<sf_count_t>(impl.data.size()), 0};
    impl.src = openMemory(&impl.file);
    Source* src = impl.src.get();
    if (!src) return nullptr;
    dec->fileChannels_ = src->channels;
    dec->outChannels_ = outputChannels(src->channels);
    dec->rate_ = src->rate;
    dec->frames_ = src->frames;
    // A stream that decodes nothing at all is no stream.
    float probe[MAX_FILE_CHANNELS];
    if (src->read(probe, 1) != 1 || src->damaged || !dec->rewind()) return nullptr;
    if (dec->fileChannels_ > 2) dec->wide_.resize(1024 * static_cast<size_t>(dec->fileChannels_));
    return dec;
}

size_t StreamDecoder::read(float* out, size_t frames) {
    size_t done = 0;
    if (fileChannels_ <= 2) {
        done = impl_->src->read(out, frames);
    } else {
        while (done < frames) {
            size_t want = std::min<size_t>(frames - done, 1024);
            const size_t n = impl_->src->read(wide_.data(), want);
            if (n == 0) break;
            for (size_t i = 0; i < n; ++i) {
                float sum = 0.0f;
                for (int c = 0; c < fileChannels_; ++c) sum += wide_[static_cast<size_t>(i) * fileChannels_ + c];
                out[done + i] = sum / static_cast<float>(fileChannels_);
            }
            done += n;
            if (n < want) break;
        }
    }
    position_ += static_cast<int64_t>(done);
    return done;
}

// Some decoders cannot seek back once they have read (GSM 6.10 in WAV): the file is
// opened again from its start instead.
bool StreamDecoder::rewind() {
    if (impl_->src->seek(0) == 0) return true;
    impl_->src.reset();
    impl_->file.pos = 0;
    impl_->src = openMemory(&impl_->file);
    return impl_->src && impl_->src->channels == fileChannels_ && impl_->src->rate == rate_;
}

bool StreamDecoder::seek(int64_t frame) {
    if (frame < 0) frame = 0;
    if (frames_ >= 0 && frame > frames_) frame = frames_;
    int64_t at = impl_->src->seek(frame);
    if (at < 0) {
        // From the start, reading up to the frame.
        if (!rewind()) return false;
        float skip[256 * 2];
        const size_t perRead = sizeof(skip) / sizeof(skip[0]) / static_cast<size_t>(fileChannels_);
        for (at = 0; at < frame;) {
            const size_t want = static_cast<size_t>(std::min<int64_t>(frame - at, static_cast<int64_t>(perRead)));
            const size_t n = perRead ? impl_->src->read(skip, want) : 0;
            if (n == 0) break;
            at += static_cast<int64_t>(n);
        }
    }
    position_ = at;
    return true;
}

// ---------------------------------------------------------------------------------
// Tracker modules.

struct ModulePlayer::Interactive {
    openmpt_module_ext_interface_interactive fn;
};

ModulePlayer::~ModulePlayer() {
    if (ext_) openmpt_module_ext_destroy(ext_);
}

std::unique_ptr<ModulePlayer> ModulePlayer::open(const void* data, size_t size) {
    if (!data || size == 0) return nullptr;
    int error = 0;
    openmpt_module_ext* ext =
        openmpt_module_ext_create_from_memory(data, size, openmpt_log_func_silent, nullptr,
                                              openmpt_error_func_ignore, nullptr, &error, nullptr, nullptr);
    if (!ext) return nullptr;
    std::unique_ptr<ModulePlayer> player(new ModulePlayer());
    player->ext_ = ext;
    player->mod_ = openmpt_module_ext_get_module(ext);
    player->interactive_ = std::make_unique<Interactive>();
    std::memset(&player->interactive_->fn, 0, sizeof(player->interactive_->fn));
    if (!player->mod_ ||
        !openmpt_module_ext_get_interface(ext, LIBOPENMPT_EXT_C_INTERFACE_INTERACTIVE, &player->interactive_->fn,
                                          sizeof(player->interactive_->fn))) {
        return nullptr;
    }
    openmpt_module* mod = player->mod_;
    player->orders_ = std::max(0, static_cast<int>(openmpt_module_get_num_orders(mod)));
    player->tracks_ = std::max(0, static_cast<int>(openmpt_module_get_num_channels(mod)));
    int instruments = openmpt_module_get_num_instruments(mod);
    player->instruments_ = std::max(0, instruments > 0 ? instruments : static_cast<int>(openmpt_module_get_num_samples(mod)));
    double duration = openmpt_module_get_duration_seconds(mod);
    player->duration_ = std::isfinite(duration) && duration > 0.0 ? duration : 0.0;
    if (player->orders_ == 0) return nullptr;
    auto& fn = player->interactive_->fn;
    player->trackBase_.assign(static_cast<size_t>(player->tracks_), 1.0);
    player->trackLevel_.assign(static_cast<size_t>(player->tracks_), 100);
    player->trackTouched_.assign(static_cast<size_t>(player->tracks_), 0);
    player->channelInstrument_.assign(static_cast<size_t>(player->tracks_), -1);
    player->written_.assign(static_cast<size_t>(player->tracks_), -1.0);
    player->instrumentLevel_.assign(static_cast<size_t>(player->instruments_), 100);
    for (int t = 0; t < player->tracks_ && fn.get_channel_volume; ++t) {
        double v = fn.get_channel_volume(ext, t);
        if (std::isfinite(v) && v >= 0.0 && v <= 1.0) player->trackBase_[static_cast<size_t>(t)] = v;
    }
    // Sample positions follow a seek by time, so that a stopped module resumes in tune.
    openmpt_module_ctl_set_boolean(mod, "seek.sync_samples", 1);
    player->setLoop(false);
    return player;
}

// One read per call: libopenmpt counts its position in seconds by the reads, and where a
// seek by seconds lands depends on it. So a new row's instrument gets its level at the
// next call (the decoder's chunks: some 23 ms).
size_t ModulePlayer::render(int rate, float* stereo, size_t frames) {
    followRows();
    return openmpt_module_read_interleaved_float_stereo(mod_, rate, frames, stereo);
}

void ModulePlayer::setLoop(bool loop) { openmpt_module_set_repeat_count(mod_, loop ? -1 : 0); }

int ModulePlayer::rowsAt(int order) const {
    if (order < 0 || order >= orders_) return 0;
    int pattern = openmpt_module_get_order_pattern(mod_, order);
    if (pattern < 0 || pattern >= openmpt_module_get_num_patterns(mod_)) return 0;
    return std::max(0, static_cast<int>(openmpt_module_get_pattern_num_rows(mod_, pattern)));
}

bool ModulePlayer::seekOrderRow(int order, int row) {
    if (order < 0 || order >= orders_ || row < 0) return false;
    int rows = rowsAt(order);
    if (row > 0 && row >= rows) return false;
    openmpt_module_set_position_order_row(mod_, order, row);
    afterSeek();
    return true;
}

void ModulePlayer::seekSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0.0) seconds = 0.0;
    openmpt_module_set_position_seconds(mod_, seconds);
    afterSeek();
}

double ModulePlayer::positionSeconds() const { return openmpt_module_get_position_seconds(mod_); }
int ModulePlayer::order() const { return openmpt_module_get_current_order(mod_); }
int ModulePlayer::row() const { return openmpt_module_get_current_row(mod_); }

void ModulePlayer::setAmplify(int amplify) {
    amplify = std::clamp(amplify, 0, 100);
    // Linear in amplitude around the module's own loudness: 100 is +6 dB, 0 silent.
    int32_t millibel = amplify == 0 ? -100000
                                    : static_cast<int32_t>(std::lround(2000.0 * std::log10(amplify / 50.0)));
    openmpt_module_set_render_param(mod_, OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL, millibel);
}

void ModulePlayer::setTrackVolume(int track, int volume) {
    if (track < 0 || track >= tracks_) return;
    trackLevel_[static_cast<size_t>(track)] = std::clamp(volume, 0, 100);
    trackTouched_[static_cast<size_t>(track)] = 1;
    applyLevels();
}

void ModulePlayer::setInstrumentVolume(int instrument, int volume) {
    if (instrument < 0 || instrument >= instruments_) return;
    volume = std::clamp(volume, 0, 100);
    instrumentLevel_[static_cast<size_t>(instrument)] = volume;
    if (interactive_->fn.set_instrument_mute_status) {
        interactive_->fn.set_instrument_mute_status(ext_, instrument, volume == 0 ? 1 : 0);
    }
    applyLevels();
}

void ModulePlayer::takeInstruments(int order, int row, bool keepKnown) {
    const int pattern = openmpt_module_get_order_pattern(mod_, order);
    if (pattern < 0 || pattern >= openmpt_module_get_num_patterns(mod_)) return;
    for (int t = 0; t < tracks_; ++t) {
        const int ins = openmpt_module_get_pattern_row_channel_command(mod_, pattern, row, t,
                                                                       OPENMPT_MODULE_COMMAND_INSTRUMENT);
        int& current = channelInstrument_[static_cast<size_t>(t)];
        if (ins > 0 && ins <= instruments_ && !(keepKnown && current >= 0)) current = ins - 1;
    }
}

// The rows of the same order passed since the last call are taken in turn. (Of rows
// shorter than a chunk at an order's end, the last ones may be missed.)
void ModulePlayer::followRows() {
    const int order = openmpt_module_get_current_order(mod_);
    const int row = openmpt_module_get_current_row(mod_);
    if (order == lastOrder_ && row == lastRow_) return;
    const int first = order == lastOrder_ && row > lastRow_ ? lastRow_ + 1 : row;
    for (int r = first; r <= row; ++r) takeInstruments(order, r, false);
    lastOrder_ = order;
    lastRow_ = row;
    applyLevels();
}

// Back from the position through the rows before it, as far as MAX_SCAN_ROWS, until every
// channel has an instrument. The module's own channel volumes are back as they were there.
void ModulePlayer::afterSeek() {
    std::fill(channelInstrument_.begin(), channelInstrument_.end(), -1);
    for (double& w : written_) {
        if (w >= 0.0) w = std::numeric_limits<double>::quiet_NaN();
    }
    lastOrder_ = openmpt_module_get_current_order(mod_);
    lastRow_ = openmpt_module_get_current_row(mod_);
    int scanned = 0;
    for (int o = lastOrder_; o >= 0 && o < orders_ && scanned < MAX_SCAN_ROWS; --o) {
        const int rows = rowsAt(o);
        for (int r = o == lastOrder_ ? std::min(lastRow_, rows - 1) : rows - 1; r >= 0 && scanned < MAX_SCAN_ROWS;
             --r, ++scanned) {
            takeInstruments(o, r, true);
        }
        if (std::none_of(channelInstrument_.begin(), channelInstrument_.end(), [](int i) { return i < 0; })) break;
    }
    applyLevels();
}

// A channel the module's own volume still rules (never levelled) is left alone.
void ModulePlayer::applyLevels() {
    if (!interactive_->fn.set_channel_volume) return;
    for (int t = 0; t < tracks_; ++t) {
        const size_t i = static_cast<size_t>(t);
        const int ins = channelInstrument_[i];
        const int level = ins >= 0 ? instrumentLevel_[static_cast<size_t>(ins)] : 100;
        if (!trackTouched_[i] && level == 100 && written_[i] < 0.0) continue;
        const double volume = trackBase_[i] * trackLevel_[i] / 100.0 * level / 100.0;
        if (volume == written_[i]) continue;
        interactive_->fn.set_channel_volume(ext_, t, volume);
        written_[i] = volume;
    }
}
