// The queue of a music or stream voice: short buffers that the sound thread (or the
// frame loop's pump) decodes and queues ahead of what OpenAL plays, each tagged with
// where it starts in the source. The queue side lives under the group's lock; decoding
// runs outside it, on a Decoding object that only the feeding side touches once the
// voice exists.
#pragma once

#include "engine/sound/openal/al_features.h"
#include "engine/sound/openal/decoders.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace openal {

struct Voice;

constexpr int CHUNK_FRAMES = 1024;

// How much a streaming voice keeps queued: buffers of CHUNK_FRAMES, and seconds of
// output (more when it plays faster, as far as the buffers go). A sound thread comes
// back every few milliseconds. The pump comes once per frame: the queue outlasts a
// slow frame of 200 ms on top of the frame itself (16 buffers: 0.37 s at 44.1 kHz).
struct QueueDepth {
    int buffers;
    double ahead;
};
constexpr QueueDepth THREADED_QUEUE{12, 0.12};
constexpr QueueDepth PUMPED_QUEUE{16, 0.25};
constexpr int MAX_STREAM_BUFFERS = 16;
static_assert(THREADED_QUEUE.buffers <= MAX_STREAM_BUFFERS && PUMPED_QUEUE.buffers <= MAX_STREAM_BUFFERS);

enum class Run : uint8_t { Stopped, Playing, Paused };
enum class SeekKind : uint8_t { None, OrderRow, Seconds };

// Where a queued buffer starts in the source.
struct Tag {
    double seconds = 0.0;
    int order = 0;
    int row = 0;
    int frames = 0;
};

// What the feeding side decodes with. Built by the game thread at load; afterwards
// only the feeding side touches it (the settings are copied in under the lock).
struct Decoding {
    std::unique_ptr<ModulePlayer> module;
    std::unique_ptr<StreamDecoder> file;
    std::vector<float> scratch;  // a chunk per buffer of the queue
    std::vector<int> trackVolume;
    std::vector<int> instrumentVolume;
    int amplify = 50;
    bool loop = false;
    bool settingsDirty = true;
};

// The queue side of a music or stream voice, under the lock.
struct Streaming {
    std::shared_ptr<Decoding> dec;
    int channels = 2;
    int rate = 0;
    ALenum format = AL_FORMAT_STEREO_FLOAT32;
    QueueDepth depth = THREADED_QUEUE;
    ALuint buffers[MAX_STREAM_BUFFERS] = {};  // depth.buffers of them
    ALuint freeList[MAX_STREAM_BUFFERS] = {};
    int freeCount = 0;
    Tag tags[MAX_STREAM_BUFFERS];  // in queue order from tagHead
    int tagHead = 0;
    int tagCount = 0;
    Run run = Run::Stopped;
    bool loop = false;
    bool ended = false;  // the decoder has nothing more
    uint32_t epoch = 0;  // every flush bumps it: chunks decoded before are dropped
    SeekKind seek = SeekKind::None;
    int seekOrder = 0;
    int seekRow = 0;
    double seekSeconds = 0.0;
    // Music settings as the game set them.
    int amplify = 50;
    std::vector<int> trackVolume;  // -1: never set, the module's own
    std::vector<int> instrumentVolume;
    std::vector<int> orderRows;
    bool settingsDirty = false;
    int orderCount = 0;
    double length = -1.0;
    // The decoder's own position, as the feeding side last left it.
    double decSeconds = 0.0;
    int decOrder = 0;
    int decRow = 0;

    Tag& tagAt(int i) { return tags[(tagHead + i) % MAX_STREAM_BUFFERS]; }
};

// One streaming voice's work for the feeding side, taken under the lock.
struct Job {
    int slot = 0;
    uint32_t gen = 0;
    uint32_t epoch = 0;
    std::shared_ptr<Decoding> dec;
    SeekKind seek = SeekKind::None;
    int order = 0;
    int row = 0;
    double seconds = 0.0;
    bool loop = false;
    int want = 0;
    int channels = 2;
    int rate = 0;
    int chunks = 0;
    Tag tags[MAX_STREAM_BUFFERS];
    bool ended = false;
    Tag decoderAt;
};

// Under the lock, on a voice that has a stream.
// Takes back the buffers OpenAL has played.
void reclaim(Voice& v);
// Drops everything queued. With keepPosition the decoder is sent back to what was
// being heard, so that playing on continues from there.
void flush(Voice& v, bool keepPosition);
// Row 0 of an order is there even when the module reports no rows for it.
bool hasOrderRow(const Streaming& s, int order, int row);
void seekOrderRow(Voice& v, int order, int row);
// What is being heard: the queued buffer under OpenAL's play offset.
Tag audible(Voice& v);
// Returns played buffers and adds to jobs what the decoder must do, if anything.
void prepare(int slot, Voice& v, std::vector<Job>& jobs);
// Queues what was decoded, unless the voice was flushed or freed meanwhile (v is the
// job's slot).
void publish(Voice& v, Job& job);

// Outside the lock, on data only the feeding side touches.
void decode(Job& job);

}  // namespace openal
