#include "server_options.h"

#include <cstdlib>
#include <cstring>

namespace web {

namespace {

bool readNumber(const char* text, long long min, long long max, long long& value) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < min || v > max) return false;
    value = v;
    return true;
}

}  // namespace

std::string serverUsage(const char* program) {
    return std::string("usage: ") + program +
           " [options]\n"
           "Serves the Olvar web board and runs one engine per open page.\n"
           "  --address A       address to listen on (default 127.0.0.1). Any other than a\n"
           "                    loopback address lets everyone who can reach this machine\n"
           "                    play and analyse on it, using its processors and memory\n"
           "  --port N          port (default 8080; 0 takes a free one)\n"
           "  --engine PATH     the engine program (default: olvar beside this program)\n"
           "  --page DIR        the page's files (default: the project's web/page)\n"
           "  --max-sessions N  pages served at once, one engine each (default 4, at most 64)\n"
           "  --idle-seconds N  a page unseen this long loses its engine (default 60)\n"
           "  --engine-memory M MiB each engine may use (INFO max_memory; default: no limit,\n"
           "                    the engine's hash tables take 192 MiB)\n";
}

bool parseServerOptions(int argc, char** argv, ServerOptions& options, std::string& message, bool& showHelp) {
    showHelp = false;
    for (int i = 1; i < argc; ++i) {
        const char* flag = argv[i];
        if (std::strcmp(flag, "--help") == 0 || std::strcmp(flag, "-h") == 0) {
            showHelp = true;
            return false;
        }
        if (i + 1 >= argc) {
            message = std::string("unknown option or missing value: ") + flag;
            return false;
        }
        const char* value = argv[++i];
        long long number = 0;
        const std::string bad = std::string("bad value for ") + flag + ": " + value;
        if (std::strcmp(flag, "--address") == 0) {
            options.address = value;
        } else if (std::strcmp(flag, "--port") == 0) {
            if (!readNumber(value, 0, 65535, number)) return message = bad, false;
            options.port = int(number);
        } else if (std::strcmp(flag, "--engine") == 0) {
            options.enginePath = value;
        } else if (std::strcmp(flag, "--page") == 0) {
            options.pageDirectory = value;
        } else if (std::strcmp(flag, "--max-sessions") == 0) {
            if (!readNumber(value, 1, 64, number)) return message = bad, false;
            options.maxSessions = int(number);
        } else if (std::strcmp(flag, "--idle-seconds") == 0) {
            if (!readNumber(value, 1, 86400, number)) return message = bad, false;
            options.idleSeconds = int(number);
        } else if (std::strcmp(flag, "--engine-memory") == 0) {
            if (!readNumber(value, 0, 1 << 20, number)) return message = bad, false;
            options.engineMemoryMiB = number;
        } else {
            message = std::string("unknown option: ") + flag;
            return false;
        }
    }
    return true;
}

}  // namespace web
