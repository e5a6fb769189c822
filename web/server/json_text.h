// JSON text for the answers and events the server writes: strings quoted and
// escaped. The server reads no JSON, so this is all it needs.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace web {

inline std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

}  // namespace web
