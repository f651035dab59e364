#include "main/user_folder.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

void makeFolders(const std::string& folder) {
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/') mkdir(folder.substr(0, i).c_str(), 0700);
    }
}

}  // namespace

std::string userDataFolder() {
    // A relative XDG_DATA_HOME is invalid and is ignored, as the base-directory rules say.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const std::string home = homeFolder();
        if (home.empty()) return "";
        base = home + "/.local/share";
    }
    if (base.back() != '/') base += '/';
    return base + "timberdrive/";
}

std::string userDataFile(const char* name, bool makeFolder) {
    const std::string folder = userDataFolder();
    if (makeFolder && !folder.empty()) makeFolders(folder);
    return folder + name;
}
