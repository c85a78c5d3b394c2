// minipelikora-fetch: the widget's HTTP exchanges run here, one process per exchange, so the
// widget itself never maps libcurl and what it pulls in (TLS, Kerberos, LDAP, SSH), and the
// code that faces the network runs apart from the one holding the user's files and screen.
// The request arrives on standard input, the answer leaves as frames on standard output
// (platform/sys/http_wire.h). The widget ends the process to abort the exchange.
#include "platform/sys/fetch/curl_transfer.h"
#include "platform/sys/http_wire.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

bool WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

int main() {
    // An exchange nobody waits for any more ends with the widget.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1)
        return 1;
    signal(SIGPIPE, SIG_IGN);

    std::string input;
    char buffer[8192];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        input.append(buffer, static_cast<std::size_t>(n));
        if (input.size() > platform::HttpWireRequestLimit)
            return 1;
        // The request announces its own length, so the widget need not close its end first.
        if (platform::DecodeHttpRequest(input))
            break;
    }
    auto request = platform::DecodeHttpRequest(input);
    if (!request)
        return 1;

    platform::THttpResult result =
        platform::CurlTransfer(request->Url, *request, [](std::string_view chunk) {
            // The widget's sink refused a piece: it says so before the next one is sent.
            pollfd stop{STDIN_FILENO, POLLIN, 0};
            if (poll(&stop, 1, 0) > 0)
                return false;
            return WriteAll(platform::EncodeHttpFrame(platform::THttpFrameKind::Body, chunk));
        });
    return WriteAll(platform::EncodeHttpOutcome(result)) ? 0 : 1;
}
