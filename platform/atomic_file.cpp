#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

class TFd {
public:
    explicit TFd(int fd) : Fd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() { Close(); }
    int Get() const { return Fd; }
    bool Close() {
        if (Fd < 0)
            return true;
        int rc = ::close(Fd);
        Fd = -1;
        return rc == 0;
    }

private:
    int Fd;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return false;
    std::string temp = path + ".XXXXXX";
    TFd file(::mkostemp(temp.data(), O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    bool ok = WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0;
    // A failed close can be the first report of a failed write on some file systems.
    ok = file.Close() && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the new name itself durable; the content is already safe either way.
    TFd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
    return true;
}

} // namespace platform
