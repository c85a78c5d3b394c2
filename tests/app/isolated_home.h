// A private home for one test: HOME and the XDG folders point into a fresh temporary folder,
// so no test ever reads or writes the real user's settings, news or autostart entries, and the
// built-in public feeds are replaced by a loopback address that refuses at once.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace apptest {

// Returns the temporary folder (empty when it could not be made) and fills DataFolder with the
// widget's data folder inside it, already created.
inline std::string MakeIsolatedHome(const char* Prefix, std::string& DataFolder) {
    namespace fs = std::filesystem;
    std::string pattern = std::string("/tmp/") + Prefix + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        return {};
    const std::string dir = pattern;
    for (const char* sub : {"home", "data", "config", "run"})
        fs::create_directories(dir + "/" + sub);
    fs::permissions(dir + "/run", fs::perms::owner_all);
    setenv("HOME", (dir + "/home").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    std::ofstream(dir + "/default-feeds") << "http://127.0.0.1:9/feed\n";
    setenv("MINIPELIKORA_DEFAULT_FEEDS", (dir + "/default-feeds").c_str(), 1);
    DataFolder = dir + "/data/Marvolt/Mini Pelikora";
    fs::create_directories(DataFolder);
    return dir;
}

} // namespace apptest
