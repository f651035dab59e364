#include "engine/core/engine_impl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder holding a stand-in opener, first on PATH while it lives.
class FakeOpener {
public:
    explicit FakeOpener(const char* body) {
        char tmpl[] = "/tmp/td_opener_XXXXXX";
        dir_ = mkdtemp(tmpl);
        if (body) {
            std::string path = dir_ + "/xdg-open";
            std::ofstream(path) << "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/arg\"\n" << body << "\n";
            chmod(path.c_str(), 0755);
        }
        const char* old = std::getenv("PATH");
        oldPath_ = old ? old : "";
        // Without an opener of its own the folder alone is the PATH: nothing else is found.
        std::string path = body ? dir_ + ":" + oldPath_ : dir_;
        setenv("PATH", path.c_str(), 1);
    }
    ~FakeOpener() {
        setenv("PATH", oldPath_.c_str(), 1);
        std::remove((dir_ + "/arg").c_str());
        std::remove((dir_ + "/xdg-open").c_str());
        rmdir(dir_.c_str());
    }
    std::string argument() const {
        std::ifstream in(dir_ + "/arg");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string dir_;
    std::string oldPath_;
};

TEST(OpenURL, TrueOnlyWhenTheOpenerStartsAndDoesNotFail) {
    struct Case {
        const char* opener;  // the stand-in's last line; null: no opener at all
        bool expected;
    };
    const Case cases[] = {
        {"exit 0", true},
        {"exit 3", false},  // xdg-open: no program can open it
        {"exit 4", false},  // xdg-open: the action failed
        {"kill -9 $$", false},
        {nullptr, false},
        {"exec sleep 3", true},  // still opening after the wait: the browser is up
    };
    Engine* e = engineCreateHeadless(ENGINE_VERSION);
    for (const Case& c : cases) {
        FakeOpener opener(c.opener);
        EXPECT_EQ(e->System_OpenURL("https://example.org/"), c.expected) << (c.opener ? c.opener : "no opener");
    }
    EXPECT_FALSE(e->System_OpenURL(nullptr));
    e->Release();
}

TEST(OpenURL, TheAddressReachesTheOpenerAsOneArgumentUntouchedByAShell) {
    Engine* e = engineCreateHeadless(ENGINE_VERSION);
    FakeOpener opener("exit 0");
    const char* url = "http://x/?a=1&b=$(echo no) 'q' \"r\"; s";
    EXPECT_TRUE(e->System_OpenURL(url));
    EXPECT_EQ(opener.argument(), url);
    e->Release();
}

}  // namespace
