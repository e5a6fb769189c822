#include "access_check.h"

#include <httplib.h>

namespace web {

bool isLoopbackAddress(const std::string& host) {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

std::optional<HttpError> AccessCheck::refuse(const httplib::Request& request) const {
    const std::string host = request.get_header_value("Host");
    if (loopbackOnly) {
        std::string port = ":";
        port += std::to_string(this->port);
        const std::string bound =
            boundAddress.find(':') != std::string::npos ? std::string("[") + boundAddress + "]" : boundAddress;
        bool known = false;
        for (const std::string& name : {std::string("127.0.0.1"), std::string("localhost"), std::string("[::1]"), bound})
            known = known || host == name + port || (this->port == 80 && host == name);
        if (!known) return HttpError{403, "this server answers only on 127.0.0.1, localhost or [::1]"};
    }
    if (request.method == "POST" && request.has_header("Origin") &&
        request.get_header_value("Origin") != "http://" + host)
        return HttpError{403, "requests from other sites' pages are refused"};
    return std::nullopt;
}

}  // namespace web
