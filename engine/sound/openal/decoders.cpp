#include "engine/sound/openal/decoders.h"

#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_ext.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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

SNDFILE* openMemory(MemoryFile* file, SF_INFO* info) {
    if (!soundFileKnown(file->data, static_cast<size_t>(file->size))) return nullptr;
    SF_VIRTUAL_IO io = memoryIo();
    std::memset(info, 0, sizeof(*info));
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, info, file);
    if (!sf) return nullptr;
    if (info->samplerate <= 0 || info->samplerate > MAX_RATE || info->channels <= 0 ||
        info->channels > MAX_FILE_CHANNELS) {
        sf_close(sf);
        return nullptr;
    }
    return sf;
}

// Folds the file's channels into what OpenAL plays: 1 and 2 as they are, more to mono.
int outputChannels(int fileChannels) { return fileChannels <= 2 ? fileChannels : 1; }

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
    SF_INFO info;
    SNDFILE* sf = openMemory(&file, &info);
    if (!sf) return DecodeResult::Failed;

    const int inCh = info.channels;
    const int outCh = outputChannels(inCh);
    DecodeResult result = DecodeResult::Ok;
    try {
        // The header's length is not trusted: grow by what actually decodes.
        constexpr size_t CHUNK = 4096;
        std::vector<int16_t> chunk(CHUNK * static_cast<size_t>(inCh));
        size_t frames = 0;
        for (;;) {
            sf_count_t n = sf_readf_short(sf, chunk.data(), CHUNK);
            if (n <= 0) break;
            if (frames + static_cast<size_t>(n) > MAX_SAMPLE_FRAMES) {
                result = DecodeResult::NoMemory;
                break;
            }
            size_t at = out->pcm.size();
            out->pcm.resize(at + static_cast<size_t>(n) * outCh);
            int16_t* dst = out->pcm.data() + at;
            if (inCh == outCh) {
                std::memcpy(dst, chunk.data(), static_cast<size_t>(n) * inCh * sizeof(int16_t));
            } else {
                for (sf_count_t i = 0; i < n; ++i) {
                    int sum = 0;
                    for (int c = 0; c < inCh; ++c) sum += chunk[static_cast<size_t>(i) * inCh + c];
                    dst[i] = static_cast<int16_t>(sum / inCh);
                }
            }
            frames += static_cast<size_t>(n);
        }
        out->frames = frames;
    } catch (const std::bad_alloc&) {
        result = DecodeResult::NoMemory;
    }
    sf_close(sf);
    if (result == DecodeResult::Ok && out->frames == 0) result = DecodeResult::Failed;
    if (result != DecodeResult::Ok) {
        *out = DecodedSample();
        return result;
    }
    out->channels = outCh;
    out->rate = info.samplerate;
    out->pcm.shrink_to_fit();
    return DecodeResult::Ok;
}

// ---------------------------------------------------------------------------------
// Streams.

struct StreamDecoder::Impl {
    std::vector<unsigned char> data;
    MemoryFile file;
    SNDFILE* sf = nullptr;
    ~Impl() {
        if (sf) sf_close(sf);
    }
};

StreamDecoder::~StreamDecoder() = default;

std::unique_ptr<StreamDecoder> StreamDecoder::open(std::vector<unsigned char> data) {
    std::unique_ptr<StreamDecoder> dec(new StreamDecoder());
    dec->impl_ = std::make_unique<Impl>();
    Impl& impl = *dec->impl_;
    impl.data = std::move(data);
    impl.file = MemoryFile{impl.data.data(), static_cast<sf_count_t>(impl.data.size()), 0};
    SF_INFO info;
    impl.sf = openMemory(&impl.file, &info);
    if (!impl.sf) return nullptr;
    // A stream that decodes nothing at all is no stream.
    float probe[MAX_FILE_CHANNELS];
    if (sf_readf_float(impl.sf, probe, 1) != 1 || sf_seek(impl.sf, 0, SEEK_SET) != 0) return nullptr;
    dec->fileChannels_ = info.channels;
    dec->outChannels_ = outputChannels(info.channels);
    dec->rate_ = info.samplerate;
    dec->frames_ = (info.seekable && info.frames > 0) ? info.frames : -1;
    if (dec->fileChannels_ > 2) dec->wide_.resize(1024 * static_cast<size_t>(dec->fileChannels_));
    return dec;
}

size_t StreamDecoder::read(float* out, size_t frames) {
    size_t done = 0;
    if (fileChannels_ <= 2) {
        sf_count_t n = sf_readf_float(impl_->sf, out, static_cast<sf_count_t>(frames));
        done = n > 0 ? static_cast<size_t>(n) : 0;
    } else {
        while (done < frames) {
            size_t want = std::min<size_t>(frames - done, 1024);
            sf_count_t n = sf_readf_float(impl_->sf, wide_.data(), static_cast<sf_count_t>(want));
            if (n <= 0) break;
            for (sf_count_t i = 0; i < n; ++i) {
                float sum = 0.0f;
                for (int c = 0; c < fileChannels_; ++c) sum += wide_[static_cast<size_t>(i) * fileChannels_ + c];
                out[done + static_cast<size_t>(i)] = sum / static_cast<float>(fileChannels_);
            }
            done += static_cast<size_t>(n);
            if (static_cast<size_t>(n) < want) break;
        }
    }
    position_ += static_cast<int64_t>(done);
    return done;
}

bool StreamDecoder::seek(int64_t frame) {
    if (frame < 0) frame = 0;
    if (frames_ >= 0 && frame > frames_) frame = frames_;
    sf_count_t at = sf_seek(impl_->sf, frame, SEEK_SET);
    if (at < 0) return false;
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
    for (int t = 0; t < player->tracks_ && fn.get_channel_volume; ++t) {
        double v = fn.get_channel_volume(ext, t);
        if (std::isfinite(v) && v >= 0.0 && v <= 1.0) player->trackBase_[static_cast<size_t>(t)] = v;
    }
    // Sample positions follow a seek by time, so that a stopped module resumes in tune.
    openmpt_module_ctl_set_boolean(mod, "seek.sync_samples", 1);
    player->setLoop(false);
    return player;
}

size_t ModulePlayer::render(int rate, float* stereo, size_t frames) {
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
    return true;
}

void ModulePlayer::seekSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0.0) seconds = 0.0;
    openmpt_module_set_position_seconds(mod_, seconds);
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
    if (track < 0 || track >= tracks_ || !interactive_->fn.set_channel_volume) return;
    interactive_->fn.set_channel_volume(ext_, track,
                                        trackBase_[static_cast<size_t>(track)] * std::clamp(volume, 0, 100) / 100.0);
}

void ModulePlayer::setInstrumentMuted(int instrument, bool muted) {
    if (instrument < 0 || instrument >= instruments_ || !interactive_->fn.set_instrument_mute_status) return;
    interactive_->fn.set_instrument_mute_status(ext_, instrument, muted ? 1 : 0);
}
