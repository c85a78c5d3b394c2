// A tiny HTTP server on 127.0.0.1 for the worker tests: every connection runs on its own
// thread, its request head is recorded, and a handler writes whatever raw bytes the test wants
// (including broken or stalled answers). Nothing ever leaves the machine.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace testing_http {

class TConnection {
public:
    TConnection(int fd, std::string request, const std::atomic<bool>& stopping)
        : Fd(fd), Request(std::move(request)), Stopping(stopping) {}

    bool Send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::send(Fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }

    // Waits until the client hangs up; false when it did not within the time or the server
    // is being stopped.
    bool WaitClosed(std::chrono::milliseconds limit) {
        auto until = std::chrono::steady_clock::now() + limit;
        char buffer[512];
        while (!Stopping && std::chrono::steady_clock::now() < until) {
            pollfd p{Fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                ssize_t n = ::recv(Fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    return true;
            }
        }
        return false;
    }

    const std::string& RequestHead() const { return Request; }

private:
    int Fd;
    std::string Request;
    const std::atomic<bool>& Stopping;
};

class TLoopbackServer {
public:
    using THandler = std::function<void(TConnection&)>;

    explicit TLoopbackServer(THandler handler) : Handler(std::move(handler)) {
        Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (Listener < 0)
            throw std::runtime_error("socket");
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (::bind(Listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(Listener, 16) != 0 ||
            ::getsockname(Listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            ::close(Listener);
            throw std::runtime_error("bind");
        }
        PortNumber = ntohs(addr.sin_port);
        Acceptor = std::thread([this] { AcceptLoop(); });
    }

    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    ~TLoopbackServer() {
        Stopping = true;
        Acceptor.join();
        for (auto& t : Workers)
            t.join();
        ::close(Listener);
    }

    int Port() const { return PortNumber; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(PortNumber); }

    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(Mutex);
        return Heads;
    }
    size_t Finished() const { return Done; }

private:
    void AcceptLoop() {
        while (!Stopping) {
            pollfd p{Listener, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            int fd = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            Workers.emplace_back([this, fd] { Serve(fd); });
        }
    }

    void Serve(int fd) {
        std::string head;
        char buffer[4096];
        while (!Stopping && head.find("\r\n\r\n") == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            head.append(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(Mutex);
            Heads.push_back(head);
        }
        TConnection connection(fd, head, Stopping);
        if (!Stopping)
            Handler(connection);
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        ++Done;
    }

    THandler Handler;
    int Listener = -1;
    int PortNumber = 0;
    std::atomic<bool> Stopping{false};
    std::atomic<size_t> Done{0};
    std::thread Acceptor;
    std::vector<std::thread> Workers; // touched by the accept thread only until it is joined
    std::mutex Mutex;
    std::vector<std::string> Heads;
};

inline std::string Answer(std::string_view status, std::string_view body,
                          std::string_view extraHeaders = "") {
    return "HTTP/1.1 " + std::string(status) +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           std::string(extraHeaders) + "Connection: close\r\n\r\n" + std::string(body);
}

// A loopback address nobody listens on: connecting to it is refused at once.
inline std::string ClosedHost() {
    int port = 0;
    {
        TLoopbackServer gone([](TConnection&) {});
        port = gone.Port();
    }
    return "127.0.0.1:" + std::to_string(port);
}

// Holds answers back until the test lets them go, so it decides what happens meanwhile; a
// meeting of Count requests, each of which learns whether all of them came while it waited.
class TGate {
public:
    void Open() {
        std::lock_guard<std::mutex> lock(Mutex);
        Opened = true;
        Changed.notify_all();
    }
    bool WaitOpen() {
        std::unique_lock<std::mutex> lock(Mutex);
        return Changed.wait_for(lock, std::chrono::seconds(10), [this] { return Opened; });
    }
    bool Meet(int Count) {
        std::unique_lock<std::mutex> lock(Mutex);
        ++Arrived;
        Changed.notify_all();
        return Changed.wait_for(lock, std::chrono::seconds(5), [&] { return Arrived == Count; });
    }

private:
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Opened = false;
    int Arrived = 0;
};

} // namespace testing_http
