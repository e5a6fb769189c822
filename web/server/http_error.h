// A request the server will not carry out: the HTTP status (a 4xx, or 503
// when the engine cannot be had) and a message the page shows as it is.
#pragma once

#include <string>

namespace web {

struct HttpError {
    int status;
    std::string message;
};

}  // namespace web
