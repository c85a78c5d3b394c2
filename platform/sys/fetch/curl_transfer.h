// The fetch helper's side of HTTP: one exchange over libcurl, with the loopback guard, the
// stall clock and the abort flag of platform/sys/http.h. Only the helper executable links this,
// so libcurl and the TLS, Kerberos and LDAP libraries it brings never load into the widget.
#pragma once

#include "platform/sys/http.h"

#include <string>

namespace platform {

// Performs the exchange to an address already checked by HttpUrl or the request's own Url
// check; the request's host, port and path fields are not used.
THttpResult CurlTransfer(const std::string& address, const THttpRequest& request,
                         const THttpSink& sink);

} // namespace platform
