// The server's command line.
#pragma once

#include <string>

namespace web {

struct ServerOptions {
    std::string address = "127.0.0.1";
    int port = 8080;                 // 0: any free port (the one taken is printed)
    std::string enginePath;          // empty: the olvar beside this program
    std::string pageDirectory;       // empty: the project's web/page
    int maxSessions = 4;
    int idleSeconds = 60;
    long long engineMemoryMiB = 0;   // INFO max_memory for each engine; 0: the engine's default
};

// Reads the arguments; false with a message (or the usage text, with
// showHelp set) when they are not understood.
bool parseServerOptions(int argc, char** argv, ServerOptions& options, std::string& message, bool& showHelp);

// The usage text.
std::string serverUsage(const char* program);

}  // namespace web
