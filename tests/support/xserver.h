// A private X server for one test: Xvfb on a free display number (white root, no TCP), with an
// optional window manager, compositing manager and system tray, all stopped with the test.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

struct _XDisplay;

namespace x11test {

struct TServerOptions {
    bool WindowManager = false; // openbox: activation, _NET_ACTIVE_WINDOW, _NET_WORKAREA
    bool Compositor = false;    // xcompmgr: real per-pixel alpha on screen
    bool Tray = false;          // trayer as a dock at the top edge
    int Width = 1280;
    int Height = 1024;
};

class TXServer {
public:
    explicit TXServer(const TServerOptions& options = {});
    ~TXServer();
    TXServer(const TXServer&) = delete;
    TXServer& operator=(const TXServer&) = delete;

    bool Ok() const { return Ready; }
    const std::string& Name() const { return DisplayName; }
    const std::string& Error() const { return Problem; }

    // Starts a helper program on this display; it is stopped with the server if still running.
    pid_t Spawn(const std::vector<std::string>& argv);
    // Runs a helper to its end (at most timeoutMs); its exit status, or -1.
    int Run(const std::vector<std::string>& argv, int timeoutMs = 10000);
    // True once the child has ended (reaped).
    bool Finished(pid_t pid);

    // Screen pixel as 0x00RRGGBB, read through a connection of the test's own.
    std::uint32_t Pixel(int x, int y);
    // The owner of a selection such as "_NET_SYSTEM_TRAY_S0", 0 for none.
    unsigned long SelectionOwner(const std::string& selection);
    _XDisplay* Connection() { return Own; }
    // Starts trayer as a dock at the top edge and waits until it owns the tray selection.
    bool StartTray();
    // Ends the tray started last, as a crash or a restart of the panel would.
    void StopTray();
    // Maps a dock of the given height along the top edge, reserving it with a strut.
    void AddDock(int height);
    // A CARDINAL property of a window (0 for the root) as read through the test's connection,
    // each item cut to its 32 bits; empty when the window has none.
    std::vector<unsigned long> Cardinals(unsigned long window, const std::string& property);
    unsigned long Focus();
    // Ends the server as a crash or a logout would, leaving its clients cut off.
    void KillServer();

private:
    bool WaitForSelection(const std::string& selection, int timeoutMs);
    bool WaitForManagerLoop();
    std::vector<char*> Environment();
    // Drops a reaped child from the ones the destructor stops.
    void Forget(pid_t pid);

    bool Ready = false;
    std::string DisplayName, Problem;
    pid_t Server = -1;
    std::vector<pid_t> Children;
    pid_t TrayPid = -1;
    std::vector<std::string> EnvStore;
    _XDisplay* Own = nullptr;
};

// Keeps calling step (which should serve the program's queue) until done() holds or the time
// is up.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs, const std::function<void()>& step);

} // namespace x11test
