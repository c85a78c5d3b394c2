#include "platform/sys/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
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
    // A failed close can be the first report of a failed write on some file systems.
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

// A symbolic link keeps pointing where the user made it point: its target is replaced.
std::string ResolvedTarget(const std::string& path) {
    struct FreeDeleter {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, FreeDeleter> real(::realpath(path.c_str(), nullptr));
    return real ? std::string(real.get()) : path;
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
    const std::string target = ResolvedTarget(path);
    struct stat old {};
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode))
        return false;

    std::string temp = target + ".XXXXXX";
    TFd file(::mkostemp(temp.data(), O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    // The replacement keeps the permissions of the file it replaces; a new file gets the
    // usual ones under the umask rather than mkostemp's private 0600.
    mode_t mode = old.st_mode & 07777;
    if (!hadOld) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(file.Get(), mode) == 0;
    ok = ok && WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0;
    ok = file.Close() && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the new name itself durable; the content is already safe either way.
    TFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
    return true;
}

} // namespace platform
