// System_OpenURL on the desktop's opener, xdg-open, started directly (no shell: the
// address is one argument) so that its failure is seen. The opener either hands the
// address to the desktop and ends, with status 0 on success, or fails (3: nothing
// can open it, 4: the action failed) within a moment; only an opener that runs the
// handler itself in the foreground (a text browser) keeps going. So the game waits
// for its end at most OPENER_WAIT_MS, and an opener still running then counts as
// having opened the address; a thread of its own collects it when it ends.
#include "engine/core/engine_impl.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace {

constexpr int OPENER_WAIT_MS = 2000;
constexpr int OPENER_POLL_MS = 10;

}  // namespace

bool EngineImpl::System_OpenURL(const char* url) {
    if (!url || !*url) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // What the opener and the programs it starts print is not the player's to read.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char program[] = "xdg-open";
    char* argv[] = {program, const_cast<char*>(url), nullptr};
    pid_t pid = -1;
    // Reports a program that cannot be found or run as an error here.
    int rc = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;

    for (int waited = 0; waited < OPENER_WAIT_MS; waited += OPENER_POLL_MS) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0) return false;
        usleep(OPENER_POLL_MS * 1000);
    }
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return true;
}
