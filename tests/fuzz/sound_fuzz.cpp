// libFuzzer target over the sound loaders: the effect decoder (WAV, OGG, FLAC through
// libsndfile), the incremental stream decoder and the tracker module player, each
// driven a little past loading (rendering, seeking, the mixer controls).
#include "engine/sound/openal/decoders.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedSample sample;
    const DecodeResult result = decodeSample(data, size, &sample);
    if (result == DecodeResult::Ok) {
        if (sample.frames == 0 || sample.frames > MAX_SAMPLE_FRAMES || (sample.channels != 1 && sample.channels != 2) ||
            sample.rate <= 0 || sample.pcm.size() != sample.frames * static_cast<size_t>(sample.channels)) {
            std::abort();
        }
    } else if (!sample.pcm.empty() || sample.frames != 0) {
        std::abort();
    }

    static float out[2 * 1024];
    if (std::unique_ptr<StreamDecoder> stream = StreamDecoder::open(std::vector<unsigned char>(data, data + size))) {
        for (int i = 0; i < 4; ++i) {
            if (stream->read(out, 1024 / stream->channels() / 2) == 0) break;
        }
        stream->seek(stream->frames() > 0 ? stream->frames() / 2 : 7);
        stream->read(out, 256);
        stream->seek(0);
        stream->read(out, 256);
    }

    if (std::unique_ptr<ModulePlayer> module = ModulePlayer::open(data, size)) {
        module->setLoop(true);
        module->render(44100, out, 1024);
        const int orders = module->orderCount();
        module->seekOrderRow(orders - 1, 0);
        module->seekOrderRow(orders / 2, module->rowsAt(orders / 2) - 1);
        module->seekOrderRow(orders, 0);
        module->seekOrderRow(0, 1 << 20);
        for (int i = -1; i <= module->instrumentCount() && i < 40; ++i) module->setInstrumentVolume(i, (i % 3) * 50);
        for (int t = -1; t <= module->trackCount() && t < 40; ++t) module->setTrackVolume(t, 30);
        module->setAmplify(100);
        module->render(22050, out, 1024);
        module->seekSeconds(module->duration() / 2);
        module->setAmplify(0);
        module->render(8000, out, 512);
        module->order();
        module->row();
        module->positionSeconds();
    }
    return 0;
}
