#include "platform/sys/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

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

struct TDirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
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

// Reads up to limit + 1 bytes, so that a caller can tell a file that is too large.
bool ReadUpTo(int fd, std::string& out, std::size_t limit) {
    char buffer[65536];
    while (out.size() <= limit) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

std::string RealPath(const std::string& path) {
    struct FreeDeleter {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, FreeDeleter> real(::realpath(path.c_str(), nullptr));
    return real ? std::string(real.get()) : std::string();
}

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Where the bytes of a write to path go: path itself, or the file a symbolic link there names
// when that file may be replaced by us. False when nothing may be written.
bool ResolveTarget(const std::string& path, std::string& target, struct stat& old, bool& hadOld) {
    struct stat entry {};
    hadOld = false;
    if (::lstat(path.c_str(), &entry) != 0) {
        target = path;
        return errno == ENOENT;
    }
    if (S_ISLNK(entry.st_mode)) {
        // A link planted in the data folder must not let us overwrite someone else's file, nor,
        // as root, a system file that happens to be root's own.
        target = RealPath(path);
        if (target.empty() || ::stat(target.c_str(), &old) != 0)
            return false;
        if (!S_ISREG(old.st_mode) || old.st_uid != ::geteuid())
            return false;
        if (::geteuid() == 0 && FolderOf(target) != RealPath(FolderOf(path)))
            return false;
    } else {
        target = path;
        old = entry;
    }
    hadOld = true;
    return S_ISREG(old.st_mode);
}

bool ReadOnlyForUs(const std::string& path, const struct stat& st) {
    // Root may write anything; the owner's write bit still says what the user wants.
    if (st.st_uid == ::geteuid() || ::geteuid() == 0)
        return (st.st_mode & S_IWUSR) == 0;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// A byte copy for file systems without hard links. The copy never replaces anything.
bool CopyFile(const std::string& from, const std::string& to, mode_t mode) {
    TFd in(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    TFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (out.Get() < 0)
        return false;
    bool ok = true;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!WriteAll(out.Get(), std::string_view(buffer, static_cast<std::size_t>(n)))) {
            ok = false;
            break;
        }
    }
    ok = ok && ::fsync(out.Get()) == 0;
    ok = out.Close() && ok;
    if (!ok)
        ::unlink(to.c_str());
    return ok;
}

// Keeps what target holds now under the first free name of "<target>.bad", "<target>.bad.2" ...
// A hard link costs nothing and is exact; the byte copy is the fallback.
bool KeepCopyOf(const std::string& target, const struct stat& st) {
    constexpr int MaxCopies = 99;
    for (int n = 1; n <= MaxCopies; ++n) {
        const std::string copy = target + ".bad" + (n == 1 ? "" : "." + std::to_string(n));
        if (::link(target.c_str(), copy.c_str()) == 0)
            return true;
        if (errno == EEXIST)
            continue;
        if (CopyFile(target, copy, st.st_mode & 0777))
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool IsTemporaryChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr std::size_t TemporarySuffix = 6; // mkostemp's XXXXXX

bool EndsInTemporarySuffix(const std::string& name, std::size_t prefix) {
    if (name.size() != prefix + TemporarySuffix)
        return false;
    for (std::size_t i = prefix; i < name.size(); ++i)
        if (!IsTemporaryChar(name[i]))
            return false;
    return true;
}

bool IsOurTemporaryName(const std::string& name) {
    const std::size_t infix = TemporaryInfix.size();
    return name.size() > infix + TemporarySuffix &&
           name.compare(name.size() - TemporarySuffix - infix, infix, TemporaryInfix) == 0 &&
           EndsInTemporarySuffix(name, name.size() - TemporarySuffix);
}

// Earlier versions named their temporaries "news.xml.XXXXXX" and "options.ini.XXXXXX". A user's
// "news.xml.backup" has the same shape, so a name counts only when it looks random (a capital
// after the first letter, and a small letter) and the content is what that writer wrote.
struct TLegacyKind {
    const char* Name;
    std::string_view Head;
};
const TLegacyKind LegacyKinds[] = {
    {"news.xml.", "\xEF\xBB\xBF<?xml"},
    {"options.ini.", "\xFF\xFE"},
};

const TLegacyKind* LegacyKindOf(const std::string& name) {
    for (const TLegacyKind& kind : LegacyKinds) {
        const std::size_t prefix = std::char_traits<char>::length(kind.Name);
        if (name.compare(0, prefix, kind.Name) != 0 || !EndsInTemporarySuffix(name, prefix))
            continue;
        bool capital = false, small = false;
        for (std::size_t i = prefix; i < name.size(); ++i) {
            capital = capital || (i > prefix && name[i] >= 'A' && name[i] <= 'Z');
            small = small || (name[i] >= 'a' && name[i] <= 'z');
        }
        return capital && small ? &kind : nullptr;
    }
    return nullptr;
}

bool StartsWithHead(int fd, const TLegacyKind& kind, const struct stat& st) {
    if (st.st_size == 0)
        return true;
    std::string head;
    if (!ReadUpTo(fd, head, kind.Head.size()))
        return false;
    return head.compare(0, kind.Head.size(), kind.Head) == 0;
}

} // namespace

TReadResult ReadRegularFile(const std::string& path, std::string& bytes, std::size_t maxBytes) {
    if (path.empty())
        return TReadResult::Missing;
    // Looked at before opening: opening a FIFO blocks until a writer comes, and opening a device
    // can have effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? TReadResult::Missing : TReadResult::Failed;
    if (!S_ISREG(st.st_mode))
        return TReadResult::NotRegular;
    // Non-blocking in case the name was given to a FIFO since; what counts is what was opened.
    TFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0)
        return errno == ENOENT ? TReadResult::Missing : TReadResult::Failed;
    if (::fstat(fd.Get(), &st) != 0)
        return TReadResult::Failed;
    if (!S_ISREG(st.st_mode))
        return TReadResult::NotRegular;
    if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        return TReadResult::TooLarge;
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    if (!ReadUpTo(fd.Get(), data, maxBytes))
        return TReadResult::Failed;
    if (data.size() > maxBytes)
        return TReadResult::TooLarge;
    bytes.swap(data);
    return TReadResult::Read;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, TOldFile oldFile) {
    if (path.empty())
        return false;
    std::string target;
    struct stat old {};
    bool hadOld = false;
    if (!ResolveTarget(path, target, old, hadOld))
        return false;
    if (hadOld && ReadOnlyForUs(target, old))
        return false;

    std::string temp = target + std::string(TemporaryInfix) + "XXXXXX";
    TFd file(::mkostemp(temp.data(), O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    // Locked while it is written, so another process's start-up never takes it for a leftover.
    ::flock(file.Get(), LOCK_EX | LOCK_NB);
    // The replacement keeps the permissions of the file it replaces, and for root its owner; a
    // new file gets the usual permissions under the umask rather than mkostemp's private 0600.
    mode_t mode = old.st_mode & 07777;
    if (!hadOld) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(file.Get(), mode) == 0;
    if (ok && hadOld && ::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0))
        ok = ::fchown(file.Get(), old.st_uid, old.st_gid) == 0;
    ok = ok && WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0;
    if (ok && hadOld && oldFile == TOldFile::KeepCopy)
        ok = KeepCopyOf(target, old);
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

int RemoveStaleTemporaries(const std::string& folder) {
    TFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (dir.Get() < 0 || ::fstat(dir.Get(), &st) != 0 || st.st_uid != ::geteuid())
        return 0;
    std::vector<std::string> names;
    {
        const int listing = ::dup(dir.Get());
        if (listing < 0)
            return 0;
        std::unique_ptr<DIR, TDirCloser> entries(::fdopendir(listing));
        if (!entries) {
            ::close(listing);
            return 0;
        }
        while (const dirent* e = ::readdir(entries.get())) {
            const std::string name = e->d_name;
            if (IsOurTemporaryName(name) || LegacyKindOf(name))
                names.push_back(name);
        }
    }
    // A write in progress is locked and keeps its time fresh; a minute is far longer than any
    // write of ours takes.
    constexpr std::time_t StaleSeconds = 60;
    const std::time_t cutoff = std::time(nullptr) - StaleSeconds;
    int removed = 0;
    for (const std::string& name : names) {
        TFd file(::openat(dir.Get(), name.c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0)
            continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_mtime > cutoff)
            continue;
        if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        const TLegacyKind* legacy = IsOurTemporaryName(name) ? nullptr : LegacyKindOf(name);
        if (legacy && !StartsWithHead(file.Get(), *legacy, st))
            continue;
        if (::unlinkat(dir.Get(), name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

} // namespace platform
