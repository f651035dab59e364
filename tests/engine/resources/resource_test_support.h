// Shared by the resource and font tests: a scratch folder for scripts, font
// descriptions and bitmaps (absolute paths), the reports of the script and font
// readers, and a headless Engine.
#pragma once

#include "engine/engine.h"
#include "engine/resources/report.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

inline std::vector<std::string>& capturedReports() {
    static std::vector<std::string> lines;
    return lines;
}

// Collects the reports while it lives.
class ReportCapture {
public:
    ReportCapture() {
        capturedReports().clear();
        setResourceReportHook([](const char* line) { capturedReports().push_back(line); });
    }
    ~ReportCapture() { setResourceReportHook(nullptr); }
    const std::vector<std::string>& lines() const { return capturedReports(); }
};

class ScratchFiles {
public:
    ScratchFiles() {
        char pattern[] = "/tmp/td_res_XXXXXX";
        if (mkdtemp(pattern)) dir_ = pattern;
    }
    ~ScratchFiles() {
        for (const std::string& f : files_) std::remove(f.c_str());
        rmdir(dir_.c_str());
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    std::string write(const std::string& name, const std::string& content) {
        std::string p = path(name);
        FILE* f = std::fopen(p.c_str(), "wb");
        EXPECT_NE(f, nullptr) << p;
        if (f) {
            std::fwrite(content.data(), 1, content.size(), f);
            std::fclose(f);
        }
        files_.push_back(p);
        return p;
    }

    // A BMP of w x h pixels from f(x, y) (opaque colours keep their value on loading).
    std::string bitmap(const std::string& name, int w, int h, const std::function<uint32_t(int, int)>& f) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        EXPECT_NE(s, nullptr);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
            for (int x = 0; x < w; ++x) row[x] = f(x, y);
        }
        std::string p = path(name);
        EXPECT_EQ(SDL_SaveBMP(s, p.c_str()), 0) << SDL_GetError();
        SDL_FreeSurface(s);
        files_.push_back(p);
        return p;
    }

private:
    std::string dir_;
    std::vector<std::string> files_;
};

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_LastError();
    }

    void TearDown() override {
        engine->System_Finish();
        engine->Release();
    }

    std::string writeFile(const std::string& name, const std::string& content) {
        return scratch.write(name, content);
    }
    std::string path(const std::string& name) const { return scratch.path(name); }
    const std::vector<std::string>& reports() const { return capture.lines(); }

    Engine* engine = nullptr;
    ScratchFiles scratch;
    ReportCapture capture;
};
