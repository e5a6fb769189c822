// Which requests the server answers at all, before any route runs.
//
// Bound to a loopback address, it answers only requests whose Host is that
// address, 127.0.0.1, localhost or [::1] with its port: a web site whose name was made
// to resolve to 127.0.0.1 (DNS rebinding) cannot reach it. Bound to another
// address, any Host is accepted. Either way a POST that carries an Origin
// must come from the page's own origin, so other sites cannot drive it.
#pragma once

#include <optional>
#include <string>

#include "http_error.h"

namespace httplib {
struct Request;
}

namespace web {

struct AccessCheck {
    bool loopbackOnly = true;
    std::string boundAddress = "127.0.0.1";
    int port = 0;

    std::optional<HttpError> refuse(const httplib::Request& request) const;
};

// Whether the address is in 127.0.0.0/8, ::1 or "localhost".
bool isLoopbackAddress(const std::string& host);

}  // namespace web
