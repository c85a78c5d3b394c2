#include "platform/sys/http.h"

#include "platform/sys/http_wire.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

extern char** environ;

// Test and benchmark programs of a build tree name the helper built beside them
// (tests/support); an installed widget finds it beside itself or in its libexec folder.
extern "C" const char* MpFetchHelperBuildPath() __attribute__((weak));

namespace platform {

class TInternetSession {
public:
    explicit TInternetSession(std::string helper) : Helper(std::move(helper)) {}
    const std::string& HelperPath() const { return Helper; }

private:
    std::string Helper;
};

namespace {

constexpr const char* FetchHelperName = "minipelikora-fetch";

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string FindFetchHelper() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, static_cast<std::size_t>(n));
        dir.erase(dir.rfind('/') + 1);
        for (const std::string& candidate : {dir + FetchHelperName, dir + MP_FETCH_HELPER_FROM_BIN})
            if (IsExecutableFile(candidate))
                return candidate;
    }
    if (MpFetchHelperBuildPath && IsExecutableFile(MpFetchHelperBuildPath()))
        return MpFetchHelperBuildPath();
    return {};
}

bool IsHostNameChar(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_';
}

bool ParsePort(std::string_view text, int& port) {
    if (text.empty() || text.size() > 5)
        return false;
    int value = 0;
    for (unsigned char c : text) {
        if (!std::isdigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

// Bytes that would end the request line or smuggle in another header.
bool IsSafeRequestText(std::string_view text) {
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7F)
            return false;
    return true;
}

bool IsToken(std::string_view text) {
    if (text.empty())
        return false;
    for (unsigned char c : text)
        if (!std::isalnum(c) && c != '-' && c != '_' && c != '.')
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// The address of the exchange: the request's own, when it is a plain http or https one.
std::optional<std::string> RequestUrl(const THttpRequest& request) {
    if (request.Url.empty())
        return HttpUrl(request.Host, request.Port, (request.Flags & INTERNET_FLAG_SECURE) != 0,
                       request.Path);
    if (!IsSafeRequestText(request.Url) ||
        !(StartsWithNoCase(request.Url, "http://") || StartsWithNoCase(request.Url, "https://")))
        return std::nullopt;
    return request.Url;
}

int AboveStandardStreams(int fd) {
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    return moved;
}

// How long the wait for the helper lasts before the abort flag is looked at again.
constexpr int PollSliceMs = 100;

class TFetchProcess {
public:
    TFetchProcess(const TFetchProcess&) = delete;
    TFetchProcess& operator=(const TFetchProcess&) = delete;
    TFetchProcess() = default;
    ~TFetchProcess() {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            Reap();
        }
        if (Socket >= 0)
            close(Socket);
    }

    // Starts the helper with one end of a socket pair as its standard input and output.
    bool Start(const std::string& helper) {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            return false;
        // A widget started with its standard streams closed gets them back as new descriptors:
        // neither end may sit where the helper expects its own streams.
        for (int& end : pair)
            end = AboveStandardStreams(end);
        Socket = pair[0];
        if (pair[0] < 0 || pair[1] < 0) {
            if (pair[1] >= 0)
                close(pair[1]);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);
        // Nothing else of the widget's (its X connection, its files) goes along.
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
        char* argv[] = {const_cast<char*>(FetchHelperName), nullptr};
        const int failed = posix_spawn(&Pid, helper.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pair[1]);
        if (failed) {
            Pid = -1;
            return false;
        }
        return true;
    }

    bool Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = send(Socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // Waits up to one slice for bytes; false when the helper closed its end or failed.
    bool Receive(std::string& into, bool& closed) {
        pollfd p{Socket, POLLIN, 0};
        const int ready = poll(&p, 1, PollSliceMs);
        if (ready < 0)
            return errno == EINTR;
        if (ready == 0)
            return true;
        char buffer[INTERNET_READ_CHUNK + HttpFrameHeaderSize];
        const ssize_t n = recv(Socket, buffer, sizeof buffer, 0);
        if (n < 0)
            return errno == EINTR || errno == EAGAIN;
        if (n == 0)
            closed = true;
        into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    void Kill() {
        if (Pid > 0)
            kill(Pid, SIGKILL);
    }

    void Reap() {
        if (Pid <= 0)
            return;
        while (waitpid(Pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        Pid = -1;
    }

private:
    pid_t Pid = -1;
    int Socket = -1;
};

} // namespace

HINTERNET InternetOpen() {
    std::string helper = FindFetchHelper();
    if (helper.empty())
        return nullptr;
    return std::make_shared<TInternetSession>(std::move(helper));
}

std::optional<std::string> HttpUrl(const std::string& host, int defaultPort, bool secure,
                                   const std::string& path) {
    std::string_view rest(host);
    std::string name;
    int port = defaultPort;
    if (!rest.empty() && rest.front() == '[') {
        auto close = rest.find(']');
        if (close == std::string_view::npos || close == 1)
            return std::nullopt;
        for (unsigned char c : rest.substr(1, close - 1))
            if (!std::isxdigit(c) && c != ':' && c != '.')
                return std::nullopt;
        name = std::string(rest.substr(0, close + 1));
        rest.remove_prefix(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':' || !ParsePort(rest.substr(1), port))
                return std::nullopt;
        }
    } else {
        auto colon = rest.find(':');
        std::string_view bare = rest.substr(0, colon);
        if (bare.empty())
            return std::nullopt;
        for (unsigned char c : bare)
            if (!IsHostNameChar(c))
                return std::nullopt;
        if (colon != std::string_view::npos && !ParsePort(rest.substr(colon + 1), port))
            return std::nullopt;
        name = std::string(bare);
    }
    if (port < 1 || port > 65535 || !IsSafeRequestText(path))
        return std::nullopt;
    std::string url = secure ? "https://" : "http://";
    url += name;
    url += ':';
    url += std::to_string(port);
    if (path.empty() || path.front() != '/')
        url += '/';
    url += path;
    return url;
}

THttpResult HttpSendRequest(const HINTERNET& session, const THttpRequest& request,
                            const THttpSink& sink) {
    THttpResult result;
    if (!session) {
        result.Error = THttpError::NoSession;
        return result;
    }
    auto url = RequestUrl(request);
    if (!url || !IsToken(request.Method)) {
        result.Error = THttpError::BadAddress;
        return result;
    }
    const std::string wire = EncodeHttpRequest(*url, request);
    TFetchProcess helper;
    if (wire.size() > HttpWireRequestLimit || !helper.Start(session->HelperPath()) ||
        !helper.Send(wire)) {
        result.Error = THttpError::Connect;
        return result;
    }

    std::string buffer;
    bool refused = false, closed = false, broken = false;
    for (;;) {
        if (request.Abort && request.Abort->load(std::memory_order_relaxed)) {
            helper.Kill();
            result.Error = THttpError::Cancelled;
            return result;
        }
        if (!helper.Receive(buffer, closed))
            broken = true;
        while (!broken) {
            auto frame = TakeHttpFrame(buffer, broken);
            if (!frame)
                break;
            if (frame->Kind == THttpFrameKind::End) {
                auto outcome = DecodeHttpOutcome(frame->Payload);
                if (!outcome) {
                    broken = true;
                    break;
                }
                result = std::move(*outcome);
                if (refused)
                    result.Error = THttpError::Aborted;
                helper.Reap();
                return result;
            }
            // Pieces the helper sent before it heard the refusal are dropped.
            if (!refused && sink && !sink(frame->Payload)) {
                refused = true;
                if (!helper.Send(std::string_view(&HttpWireStop, 1)))
                    broken = true;
            }
        }
        if (broken || closed) {
            // The helper died or garbled its answer: the exchange broke off.
            helper.Kill();
            result.Error = refused ? THttpError::Aborted : THttpError::Transfer;
            return result;
        }
    }
}

} // namespace platform
