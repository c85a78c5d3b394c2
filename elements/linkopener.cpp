#include "elements/linkopener.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>
#include <vector>

extern char** environ;

namespace elements {

namespace {

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= s.size())
            return false;
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

} // namespace

bool IsWebLink(const std::string& Url) {
    std::size_t rest = 0;
    if (StartsWithNoCase(Url, "https://"))
        rest = 8;
    else if (StartsWithNoCase(Url, "http://"))
        rest = 7;
    else
        return false;
    if (Url.size() <= rest)
        return false;
    for (unsigned char c : Url)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

bool SpawnDetached(const std::string& Program, const std::string& Argument) {
    std::vector<char> prog(Program.begin(), Program.end());
    prog.push_back('\0');
    std::vector<char> arg(Argument.begin(), Argument.end());
    arg.push_back('\0');
    char* argv[] = {prog.data(), arg.data(), nullptr};

    // The browser must not read the widget's terminal.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, prog.data(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    // xdg-open may live as long as the browser it starts; wait for it off the window thread
    // so no zombie is left behind.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool OpenInBrowser(const std::string& Url) {
    if (!IsWebLink(Url))
        return false;
    return SpawnDetached("xdg-open", Url);
}

} // namespace elements
