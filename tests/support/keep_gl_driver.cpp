// Mesa unloads its driver with the last GL context, before LeakSanitizer looks at
// what is left at exit; the driver's own small leftovers then come from a module
// without a name and no suppression can name them. Kept loaded for the whole test
// run, they are named. Every test executable links this, so no suite has to ask.
#include <dlfcn.h>

#include <cstdlib>
#include <string>

namespace {

struct KeepGlDriverLoaded {
    KeepGlDriverLoaded() {
        const char* env = std::getenv("LIBGL_DRIVERS_PATH");
        const std::string dirs[] = {env ? env : "", "/usr/lib/x86_64-linux-gnu/dri", "/usr/lib/aarch64-linux-gnu/dri",
                                    "/usr/lib64/dri", "/usr/lib/dri"};
        for (const std::string& dir : dirs) {
            if (!dir.empty() && dlopen((dir + "/swrast_dri.so").c_str(), RTLD_LAZY | RTLD_NODELETE)) return;
        }
    }
};

const KeepGlDriverLoaded keepGlDriverLoaded;

}  // namespace
