// Renders a tracker module to a WAV file through libopenmpt, to listen to it and
// measure it (sox). Not part of the build; compile by hand:
//   g++ -O2 -std=c++17 tools/sound/render_xm.cpp -o /tmp/render_xm $(pkg-config --cflags --libs libopenmpt sndfile)
// Usage: render_xm in.xm out.wav [--seconds S] [--order O] [--mute I]... [--loops N]
//   --mute I mutes instrument I (counted from 0) as the round does.
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s in.xm out.wav [--seconds S] [--order O] [--mute I]... [--loops N]\n", argv[0]);
        return 2;
    }
    double seconds = 0;
    int order = 0, loops = 0;
    std::vector<int> muted;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--order")) order = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--mute")) muted.push_back(std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--loops")) loops = std::atoi(argv[i + 1]);
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        openmpt::module_ext mod(data.data(), data.size());
        auto* inter = static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
        std::printf("type %s, %d channels, %d orders, %d patterns, %d instruments, %.1f s\n",
                    mod.get_metadata("type").c_str(), mod.get_num_channels(), mod.get_num_orders(),
                    mod.get_num_patterns(), mod.get_num_instruments(), mod.get_duration_seconds());
        auto names = mod.get_instrument_names();
        for (size_t i = 0; i < names.size(); ++i) std::printf("  %2zu %s\n", i, names[i].c_str());
        for (int m : muted) inter->set_instrument_mute_status(m, true);
        mod.set_repeat_count(loops);
        if (order) mod.set_position_order_row(order, 0);
        const int rate = 44100;
        if (seconds <= 0) seconds = mod.get_duration_seconds() * (loops + 1);
        std::vector<short> out;
        std::vector<short> buf(2 * 1024);
        size_t want = static_cast<size_t>(seconds * rate);
        while (out.size() / 2 < want) {
            size_t n = mod.read_interleaved_stereo(rate, 1024, buf.data());
            if (n == 0) break;
            out.insert(out.end(), buf.begin(), buf.begin() + 2 * n);
        }
        double peak = 0, sum = 0;
        for (short s : out) {
            peak = std::max(peak, std::fabs(s / 32768.0));
            sum += (s / 32768.0) * (s / 32768.0);
        }
        double rms = out.empty() ? 0 : std::sqrt(sum / out.size());
        std::printf("rendered %.1f s: peak %.1f dBFS, rms %.1f dBFS\n", out.size() / 2.0 / rate,
                    20 * std::log10(peak + 1e-12), 20 * std::log10(rms + 1e-12));
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(argv[2], SFM_WRITE, &info);
        if (!f) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        sf_writef_short(f, out.data(), out.size() / 2);
        sf_close(f);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
