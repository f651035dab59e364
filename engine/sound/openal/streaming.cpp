#include "engine/sound/openal/streaming.h"

#include "engine/sound/openal/voice_pool.h"

#include <algorithm>
#include <cmath>

namespace openal {

void reclaim(Voice& v) {
    Streaming& s = *v.stream;
    ALint processed = 0;
    alGetSourcei(v.source, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0 && s.tagCount > 0) {
        ALuint b = 0;
        alSourceUnqueueBuffers(v.source, 1, &b);
        s.freeList[s.freeCount++] = b;
        s.tagHead = (s.tagHead + 1) % MAX_STREAM_BUFFERS;
        --s.tagCount;
    }
}

void flush(Voice& v, bool keepPosition) {
    Streaming& s = *v.stream;
    if (keepPosition && s.seek == SeekKind::None) {
        Tag at = audible(v);
        s.seek = SeekKind::Seconds;
        s.seekSeconds = at.seconds;
        s.seekOrder = at.order;
        s.seekRow = at.row;
    }
    alSourceStop(v.source);
    alSourcei(v.source, AL_BUFFER, 0);
    // Back to the initial state: buffers queued on a stopped source count as played.
    alSourceRewind(v.source);
    std::copy(s.buffers, s.buffers + s.depth.buffers, s.freeList);
    s.freeCount = s.depth.buffers;
    s.tagHead = s.tagCount = 0;
    s.ended = false;
    ++s.epoch;
}

bool hasOrderRow(const Streaming& s, int order, int row) {
    return order >= 0 && order < s.orderCount && row >= 0 &&
           (row == 0 || row < s.orderRows[static_cast<size_t>(order)]);
}

void seekOrderRow(Voice& v, int order, int row) {
    Streaming& s = *v.stream;
    flush(v, false);
    s.seek = SeekKind::OrderRow;
    s.seekOrder = order;
    s.seekRow = row;
}

Tag audible(Voice& v) {
    Streaming& s = *v.stream;
    Tag at;
    if (s.seek != SeekKind::None) {
        at.seconds = s.seek == SeekKind::Seconds ? s.seekSeconds : s.decSeconds;
        at.order = s.seekOrder;
        at.row = s.seekRow;
        return at;
    }
    at = Tag{s.decSeconds, s.decOrder, s.decRow, 0};
    if (s.tagCount == 0) return at;
    const ALint state = sourceState(v);
    if (state == AL_PLAYING || state == AL_PAUSED) {
        ALint offset = 0;
        alGetSourcei(v.source, AL_SAMPLE_OFFSET, &offset);
        int start = 0;
        for (int i = 0; i < s.tagCount; ++i) {
            const Tag& t = s.tagAt(i);
            if (offset < start + t.frames) {
                at = Tag{t.seconds + static_cast<double>(offset - start) / s.rate, t.order, t.row, 0};
                break;
            }
            start += t.frames;
        }
    } else if (state == AL_INITIAL) {
        const Tag& t = s.tagAt(0);
        at = Tag{t.seconds, t.order, t.row, 0};
    }
    if (s.length > 0.0) at.seconds = std::min(at.seconds, s.length);
    return at;
}

void prepare(int slot, Voice& v, std::vector<Job>& jobs) {
    Streaming& s = *v.stream;
    reclaim(v);
    if (s.run == Run::Playing && s.ended && s.tagCount == 0) s.run = Run::Stopped;
    Decoding& d = *s.dec;
    if (s.settingsDirty) {
        d.loop = s.loop;
        d.amplify = s.amplify;
        std::copy(s.trackVolume.begin(), s.trackVolume.end(), d.trackVolume.begin());
        std::copy(s.instrumentVolume.begin(), s.instrumentVolume.end(), d.instrumentVolume.begin());
        d.settingsDirty = true;
        s.settingsDirty = false;
    }
    int want = 0;
    if (s.run != Run::Stopped && !s.ended) {
        double queued = 0.0;
        for (int i = 0; i < s.tagCount; ++i) queued += s.tagAt(i).frames;
        const double speed = v.baseRate > 0.0f ? std::max(1.0, static_cast<double>(v.rate / v.baseRate)) : 1.0;
        const double ahead = s.depth.ahead * s.rate * speed;
        while (queued < ahead && want < s.freeCount) {
            queued += CHUNK_FRAMES;
            ++want;
        }
    }
    if (want == 0 && s.seek == SeekKind::None && !d.settingsDirty) return;
    jobs.emplace_back();
    Job& job = jobs.back();
    job.slot = slot;
    job.gen = v.gen;
    job.epoch = s.epoch;
    job.dec = s.dec;
    job.seek = s.seek;
    job.order = s.seekOrder;
    job.row = s.seekRow;
    job.seconds = s.seekSeconds;
    job.loop = s.loop;
    job.want = want;
    job.channels = s.channels;
    job.rate = s.rate;
}

void decode(Job& job) {
    Decoding& d = *job.dec;
    // Levels before the seek, so that the notes a seek brings back are muted too; the
    // player sets its channel volumes again after a seek.
    if (d.module && d.settingsDirty) {
        ModulePlayer& m = *d.module;
        m.setLoop(d.loop);
        m.setAmplify(d.amplify);
        for (size_t i = 0; i < d.instrumentVolume.size(); ++i) {
            m.setInstrumentVolume(static_cast<int>(i), d.instrumentVolume[i]);
        }
        for (size_t t = 0; t < d.trackVolume.size(); ++t) {
            if (d.trackVolume[t] >= 0) m.setTrackVolume(static_cast<int>(t), d.trackVolume[t]);
        }
    }
    if (job.seek == SeekKind::OrderRow && d.module) {
        d.module->seekOrderRow(job.order, job.row);
    } else if (job.seek == SeekKind::Seconds) {
        if (d.module) {
            d.module->seekSeconds(job.seconds);
        } else {
            d.file->seek(static_cast<int64_t>(std::llround(std::max(0.0, job.seconds) * job.rate)));
        }
    }
    d.settingsDirty = false;

    auto where = [&d, &job]() {
        if (d.module) return Tag{d.module->positionSeconds(), d.module->order(), d.module->row(), 0};
        return Tag{static_cast<double>(d.file->position()) / job.rate, 0, 0, 0};
    };
    job.chunks = 0;
    job.ended = false;
    for (int i = 0; i < job.want; ++i) {
        float* out = d.scratch.data() + static_cast<size_t>(i) * CHUNK_FRAMES * job.channels;
        Tag tag = where();
        size_t n = 0;
        if (d.module) {
            n = d.module->render(job.rate, out, CHUNK_FRAMES);
        } else {
            n = d.file->read(out, CHUNK_FRAMES);
            while (n < CHUNK_FRAMES && job.loop) {
                if (!d.file->seek(0)) break;
                size_t more = d.file->read(out + n * job.channels, CHUNK_FRAMES - n);
                if (more == 0) break;
                n += more;
            }
        }
        if (n == 0) {
            job.ended = true;
            break;
        }
        tag.frames = static_cast<int>(n);
        job.tags[job.chunks++] = tag;
        if (n < static_cast<size_t>(CHUNK_FRAMES)) {
            job.ended = true;
            break;
        }
    }
    job.decoderAt = where();
}

void publish(Voice& v, Job& job) {
    if (v.kind == Kind::None || v.gen != job.gen || !v.stream) return;
    Streaming& s = *v.stream;
    if (s.epoch != job.epoch) return;
    s.seek = SeekKind::None;
    s.decSeconds = job.decoderAt.seconds;
    s.decOrder = job.decoderAt.order;
    s.decRow = job.decoderAt.row;
    // A source that ran dry meanwhile has played everything it holds.
    if (sourceState(v) == AL_STOPPED) {
        reclaim(v);
        alSourceRewind(v.source);
    }
    const Decoding& d = *job.dec;
    for (int i = 0; i < job.chunks && s.freeCount > 0; ++i) {
        const ALuint b = s.freeList[--s.freeCount];
        const float* data = d.scratch.data() + static_cast<size_t>(i) * CHUNK_FRAMES * job.channels;
        alBufferData(b, s.format, data, static_cast<ALsizei>(job.tags[i].frames * job.channels * sizeof(float)),
                     s.rate);
        alSourceQueueBuffers(v.source, 1, &b);
        s.tagAt(s.tagCount++) = job.tags[i];
    }
    if (job.ended) s.ended = true;
    if (s.run == Run::Playing) {
        if (s.tagCount > 0 && sourceState(v) != AL_PLAYING) alSourcePlay(v.source);
        if (s.ended && s.tagCount == 0) s.run = Run::Stopped;
    }
}

}  // namespace openal
