#include "engine/core/program_folder.h"

#include <cstdio>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef INSTALLED_DATA_FROM_BIN
#define INSTALLED_DATA_FROM_BIN ""
#endif

namespace {

bool isFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string executableFolder() {
#ifdef __EMSCRIPTEN__
    // No executable file in a browser (the data is preloaded under the current
    // folder, "/"), and under node /proc/self/exe is node itself.
    return "./";
#endif
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return "./";
    std::string exe(path, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

std::string programFolderFor(const std::string& exeFolder, const char* installedData) {
    std::string folder = exeFolder.empty() ? "./" : exeFolder;
    if (folder.back() != '/') folder += '/';
    if (installedData && *installedData) {
        std::string installed = folder + installedData;
        if (installed.back() != '/') installed += '/';
        if (isFolder(installed)) return installed;
    }
    return folder;
}

void readProgramFolder(char* out, size_t cap) {
    const std::string folder = programFolderFor(executableFolder(), INSTALLED_DATA_FROM_BIN);
    // A folder that does not fit the path buffer: run from the current one.
    std::snprintf(out, cap, "%s", folder.size() < cap ? folder.c_str() : "./");
}
