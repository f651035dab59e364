// Music: a tracker module rendered into a streaming voice, with its positions and levels.
#include "engine/sound/openal/openal_sound.h"

#include <algorithm>

namespace openal {

MusicHandle OpenALSound::musicLoad(const char* filename, uint32_t size) {
    {
        Lock lock(mutex_);
        if (!started_) return 0;
        if (device_.absent()) return 1;
    }
    size_t n = 0;
    bool owned = false;
    void* data = readFile(filename, size, &n, &owned, "Can't load music");
    if (!data) return 0;
    std::unique_ptr<ModulePlayer> player = ModulePlayer::open(data, n);
    releaseFile(data, owned);
    if (!player) {
        ctx_.postError("Can't load music");
        return 0;
    }

    auto s = std::make_unique<Streaming>();
    s->channels = 2;
    s->rate = device_.rate();
    s->format = AL_FORMAT_STEREO_FLOAT32;
    s->orderCount = player->orderCount();
    s->length = player->duration();
    s->orderRows.resize(static_cast<size_t>(s->orderCount));
    for (int i = 0; i < s->orderCount; ++i) s->orderRows[static_cast<size_t>(i)] = player->rowsAt(i);
    s->trackVolume.assign(static_cast<size_t>(player->trackCount()), -1);
    s->instrumentVolume.assign(static_cast<size_t>(player->instrumentCount()), 100);
    s->decOrder = player->order();
    s->decRow = player->row();
    s->depth = queue_;
    auto dec = std::make_shared<Decoding>();
    dec->scratch.resize(static_cast<size_t>(s->depth.buffers) * CHUNK_FRAMES * 2);
    dec->trackVolume = s->trackVolume;
    dec->instrumentVolume = s->instrumentVolume;
    dec->module = std::move(player);
    s->dec = std::move(dec);

    return addStreaming(std::move(s), Kind::Music, "Can't load music");
}


ChannelHandle OpenALSound::musicPlay(MusicHandle music, bool loop, int volume, int order, int row) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    if (!v) return 0;
    bind();
    Streaming& s = *v->stream;
    if (order != -1 || row != -1) {
        const Tag at = audible(*v);
        const int o = order == -1 ? at.order : order;
        const int r = row == -1 ? at.row : row;
        if (hasOrderRow(s, o, r)) seekOrderRow(*v, o, r);
    }
    restartLevels(*v, volume);
    if (s.loop != loop) {
        s.loop = loop;
        s.settingsDirty = true;
    }
    resumeStreaming(*v);
    return music;
}

void OpenALSound::musicSetAmplify(MusicHandle music, int amplify) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    if (!v) return;
    v->stream->amplify = std::clamp(amplify, 0, 100);
    v->stream->settingsDirty = true;
}

int OpenALSound::musicGetAmplify(MusicHandle music) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    return v ? v->stream->amplify : -1;
}

int OpenALSound::musicOrderCount(MusicHandle music) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    return v ? v->stream->orderCount : -1;
}

void OpenALSound::musicSeek(MusicHandle music, int order, int row) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    if (!v) return;
    if (!hasOrderRow(*v->stream, order, row)) return;
    bind();
    seekOrderRow(*v, order, row);
    wake();
}

bool OpenALSound::musicTell(MusicHandle music, int* order, int* row) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    if (!v) return false;
    bind();
    const Tag at = audible(*v);
    if (order) *order = at.order;
    if (row) *row = at.row;
    return true;
}

void OpenALSound::musicSetInstrumentVolume(MusicHandle music, int instrument, int volume) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    if (!v || volume < 0) return;
    Streaming& s = *v->stream;
    if (instrument < 0 || instrument >= static_cast<int>(s.instrumentVolume.size())) return;
    int& current = s.instrumentVolume[static_cast<size_t>(instrument)];
    const bool muteChanges = (current == 0) != (volume == 0);
    current = std::min(volume, 100);
    s.settingsDirty = true;
    if (muteChanges) {
        // libopenmpt mutes an instrument from its next note on. Decoding again from
        // what is being heard, with the mute in place, silences the notes already sounding.
        bind();
        flush(*v, true);
        wake();
    }
}

int OpenALSound::musicGetInstrumentVolume(MusicHandle music, int instrument) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    if (!v) return -1;
    const Streaming& s = *v->stream;
    if (instrument < 0 || instrument >= static_cast<int>(s.instrumentVolume.size())) return -1;
    return s.instrumentVolume[static_cast<size_t>(instrument)];
}

void OpenALSound::musicSetTrackVolume(MusicHandle music, int track, int volume) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    if (!v || volume < 0) return;
    Streaming& s = *v->stream;
    if (track < 0 || track >= static_cast<int>(s.trackVolume.size())) return;
    s.trackVolume[static_cast<size_t>(track)] = std::min(volume, 100);
    s.settingsDirty = true;
}

int OpenALSound::musicGetTrackVolume(MusicHandle music, int track) {
    Lock lock(mutex_);
    Voice* v = pool_.findStreaming(music, Kind::Music);
    if (!v) return -1;
    const Streaming& s = *v->stream;
    if (track < 0 || track >= static_cast<int>(s.trackVolume.size())) return -1;
    const int level = s.trackVolume[static_cast<size_t>(track)];
    return level < 0 ? 100 : level;
}

}  // namespace openal
