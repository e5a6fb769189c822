#include "protocol/reply.h"

#include <cstdarg>
#include <cstdio>

namespace protocol {

void sendReply(const char* format, ...) {
    char line[16384];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    if (n < 0) return;
    if (n > static_cast<int>(sizeof line) - 2) n = sizeof line - 2;
    line[n] = '\n';
    std::fwrite(line, 1, n + 1, stdout);
    std::fflush(stdout);
}

void sendRaw(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

}  // namespace protocol
