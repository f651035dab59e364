// Streams, and the streaming voice that music and streams both play through.
#include "engine/sound/openal/openal_sound.h"

#include <algorithm>

namespace openal {

StreamHandle OpenALSound::streamLoad(const char* filename, uint32_t size) {
    {
        Lock lock(mutex_);
        if (!started_) return 0;
        if (device_.noDevice()) return 1;
    }
    size_t n = 0;
    bool owned = false;
    void* data = readFile(filename, size, &n, &owned, "Can't load stream");
    if (!data) return 0;
    // The stream keeps its own copy until it is freed.
    std::unique_ptr<StreamDecoder> file;
    try {
        auto* bytes = static_cast<const unsigned char*>(data);
        file = StreamDecoder::open(std::vector<unsigned char>(bytes, bytes + n));
    } catch (const std::bad_alloc&) {
        file.reset();
    }
    releaseFile(data, owned);
    if (!file) {
        ctx_.postError("Can't load stream");
        return 0;
    }

    auto s = std::make_unique<Streaming>();
    s->channels = file->channels();
    s->rate = file->rate();
    s->format = s->channels == 2 ? AL_FORMAT_STEREO_FLOAT32 : AL_FORMAT_MONO_FLOAT32;
    s->length = file->frames() >= 0 ? static_cast<double>(file->frames()) / file->rate() : -1.0;
    s->decOrder = s->decRow = 0;
    s->depth = queue_;
    auto dec = std::make_shared<Decoding>();
    dec->scratch.resize(static_cast<size_t>(s->depth.buffers) * CHUNK_FRAMES * static_cast<size_t>(s->channels));
    dec->file = std::move(file);
    s->dec = std::move(dec);

    return addStreaming(std::move(s), Kind::Stream, "Can't load stream");
}

// Gives a loaded music or stream its voice: a source and its queue of buffers. The
// decoder of a failed load goes with s, after the lock is released.
uint32_t OpenALSound::addStreaming(std::unique_ptr<Streaming> s, Kind kind, const char* error) {
    Lock lock(mutex_);
    if (!started_) return 0;
    bind();
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
        ctx_.postError("%s", error);
        return 0;
    }
    alGenBuffers(s->depth.buffers, s->buffers);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(1, &source);
        ctx_.postError("%s", error);
        return 0;
    }
    std::copy(s->buffers, s->buffers + s->depth.buffers, s->freeList);
    s->freeCount = s->depth.buffers;
    setupSource(source, s->channels == 2);
    const int slot = pool_.findFreeVoice();
    if (!slot) {
        alDeleteSources(1, &source);
        alDeleteBuffers(s->depth.buffers, s->buffers);
        ctx_.postError("%s", error);
        return 0;
    }
    Voice& v = pool_.voice(slot);
    v.kind = kind;
    v.source = source;
    v.stereo = s->channels == 2;
    v.baseRate = v.rate = static_cast<float>(s->rate);
    v.stream = std::move(s);
    pool_.applyGain(v);
    pool_.applyPan(v);
    pool_.applyRate(v);
    return makeHandle(KIND_CHANNEL, slot, v.gen);
}

void OpenALSound::freeStreaming(uint32_t h, Kind kind) {
    std::shared_ptr<Decoding> dec;  // destroyed after the lock is released
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(h, kind);
    if (!v) return;
    bind();
    dec = std::move(v->stream->dec);
    pool_.releaseVoice(*v);
}


void OpenALSound::resumeStreaming(Voice& v) {
    Streaming& s = *v.stream;
    s.run = Run::Playing;
    ALint state = sourceState(v);
    if (state == AL_PAUSED || (state != AL_PLAYING && s.tagCount > 0)) alSourcePlay(v.source);
    wake();
}

// Playing music or a stream anew sets its volume (unless negative) and centres it;
// the rate stays as it is.
void OpenALSound::restartLevels(Voice& v, int volume) {
    v.slideVolume.on = v.slidePan.on = false;
    if (volume >= 0) v.setVolume(volume);
    v.pan = 0.0f;
    pool_.applyGain(v);
    pool_.applyPan(v);
}

ChannelHandle OpenALSound::streamPlay(StreamHandle stream, bool loop, int volume) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(stream, Kind::Stream);
    if (!v) return 0;
    bind();
    Streaming& s = *v->stream;
    flush(*v, false);
    s.seek = SeekKind::Seconds;
    s.seekSeconds = 0.0;
    s.seekOrder = s.seekRow = 0;
    s.loop = loop;
    restartLevels(*v, volume);
    resumeStreaming(*v);
    return stream;
}

}  // namespace openal
