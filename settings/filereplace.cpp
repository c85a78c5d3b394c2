#include "settings/filereplace.h"

#include "platform/sys/atomic_file.h"
#include "settings/unicode.h"

#include <cerrno>
#include <fcntl.h>
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
    return !path.empty() && platform::WriteFileAtomically(path, Bytes);
}
