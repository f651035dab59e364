// Shared by the resource tests: a headless Engine, a scratch folder for script and
// data files (absolute paths), and the parser's reports.
#pragma once

#include "engine/engine.h"
#include "engine/resources/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

inline std::vector<std::string>& capturedReports() {
    static std::vector<std::string> lines;
    return lines;
}

inline void captureReport(const char* line) { capturedReports().push_back(line); }

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_LastError();
        char pattern[] = "/tmp/td_res_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        capturedReports().clear();
        setResourceReportHook(captureReport);
    }

    void TearDown() override {
        setResourceReportHook(nullptr);
        for (const std::string& f : files) std::remove(f.c_str());
        rmdir(dir.c_str());
        engine->System_Finish();
        engine->Release();
    }

    // Writes a file into the scratch folder and returns its absolute path.
    std::string writeFile(const std::string& name, const std::string& content) {
        std::string path = dir + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (f) {
            std::fwrite(content.data(), 1, content.size(), f);
            std::fclose(f);
        }
        files.push_back(path);
        return path;
    }

    std::string path(const std::string& name) const { return dir + "/" + name; }

    const std::vector<std::string>& reports() const { return capturedReports(); }

    Engine* engine = nullptr;
    std::string dir;
    std::vector<std::string> files;
};
