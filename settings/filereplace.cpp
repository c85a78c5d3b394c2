#include "settings/filereplace.h"

#include "settings/unicode.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TFileDescriptor {
public:
    explicit TFileDescriptor(int Fd) : FFd(Fd) {}
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    ~TFileDescriptor() { Close(); }
    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    // Reports the result of close, which is where some file systems first admit a full disk.
    bool Close() {
        if (FFd < 0)
            return true;
        int r = ::close(FFd);
        FFd = -1;
        return r == 0;
    }

private:
    int FFd;
};

bool WriteAll(int Fd, const std::string& Bytes) {
    size_t done = 0;
    while (done < Bytes.size()) {
        ssize_t n = ::write(Fd, Bytes.data() + done, Bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string ResolvedTarget(const std::string& Path) {
    struct FreeDeleter {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, FreeDeleter> real(::realpath(Path.c_str(), nullptr));
    return real ? std::string(real.get()) : Path;
}

std::string FolderOf(const std::string& Path) {
    size_t slash = Path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

// Makes the rename itself durable; a failure here does not undo an already visible file.
void SyncFolder(const std::string& Folder) {
    TFileDescriptor dir(::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid())
        ::fsync(dir.Get());
}

} // namespace

bool ReadFileContents(const std::u16string& FileName, std::string& Bytes) {
    std::string path = WideToUtf8(FileName);
    if (path.empty())
        return false;
    TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return false;
    std::string data;
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        data.append(buffer, static_cast<size_t>(n));
    }
    Bytes.swap(data);
    return true;
}

bool ReplaceFileContents(const std::u16string& FileName, const std::string& Bytes) {
    std::string path = WideToUtf8(FileName);
    if (path.empty())
        return false;
    std::string target = ResolvedTarget(path);

    struct stat old {};
    bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode))
        return false;

    std::string temp;
    int rawFd = -1;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
        rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST)
            return false;
    }
    if (rawFd < 0)
        return false;
    TFileDescriptor fd(rawFd);

    bool ok = true;
    // The replacement keeps the permissions the user gave the old file.
    if (hadOld && ::fchmod(fd.Get(), old.st_mode & 07777) != 0)
        ok = false;
    ok = ok && WriteAll(fd.Get(), Bytes);
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = fd.Close() && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
}
