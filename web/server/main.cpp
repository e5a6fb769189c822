// olvar-web: the local web board. Serves the page and bridges each open page
// to an engine process of its own through the protocol.
#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "access_check.h"
#include "http_api.h"
#include "server_options.h"
#include "session_table.h"
#include "static_files.h"

#ifndef OLVAR_WEB_PAGE_DIR
#define OLVAR_WEB_PAGE_DIR "web/page"
#endif

namespace {

std::string besideThisProgram(const char* name) {
    std::error_code failure;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure) return name;
    return (self.parent_path() / name).string();
}

}  // namespace

int main(int argc, char** argv) {
    web::ServerOptions options;
    std::string message;
    bool showHelp = false;
    if (!web::parseServerOptions(argc, argv, options, message, showHelp)) {
        if (showHelp) {
            std::fputs(web::serverUsage(argv[0]).c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "olvar-web: %s\n%s", message.c_str(), web::serverUsage(argv[0]).c_str());
        return 2;
    }
    if (options.enginePath.empty()) options.enginePath = besideThisProgram("olvar");
    if (options.pageDirectory.empty()) options.pageDirectory = OLVAR_WEB_PAGE_DIR;
    if (access(options.enginePath.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "olvar-web: the engine %s is not an executable program (--engine PATH)\n",
                     options.enginePath.c_str());
        return 2;
    }
    web::StaticFiles files;
    if (!files.load(options.pageDirectory, message)) {
        std::fprintf(stderr, "olvar-web: %s (--page DIR)\n", message.c_str());
        return 2;
    }

    // Writes to an engine that has gone fail instead of killing the server.
    // SIGINT and SIGTERM are taken by one thread that stops the server; every
    // other thread (and so each engine's start) has them blocked.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    web::EngineOptions engine{options.enginePath, options.engineMemoryMiB * 1024 * 1024};
    web::SessionTable sessions(engine, options.maxSessions, std::chrono::seconds(options.idleSeconds));
    web::AccessCheck access;
    access.loopbackOnly = web::isLoopbackAddress(options.address);
    access.boundAddress = options.address;

    httplib::Server server;
    // Each open page holds a thread with its event stream; the rest answer orders.
    const size_t threads = size_t(options.maxSessions) * web::EngineSession::MaxStreams + 8;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_payload_max_length(64 * 1024);
    server.set_keep_alive_timeout(2);
    web::installRoutes(server, sessions, files, access);

    const bool bound = options.port == 0 ? (options.port = server.bind_to_any_port(options.address)) > 0
                                         : server.bind_to_port(options.address, options.port);
    if (!bound) {
        std::fprintf(stderr, "olvar-web: cannot listen on %s port %d\n", options.address.c_str(), options.port);
        return 1;
    }
    access.port = options.port;
    if (!access.loopbackOnly)
        std::fprintf(stderr,
                     "olvar-web: WARNING: listening on %s, not a loopback address: anyone who can reach this "
                     "machine can use the board and its engines\n",
                     options.address.c_str());
    const std::string shown = options.address.find(':') != std::string::npos ? std::string("[") + options.address + "]"
                                                                              : options.address;
    std::printf("Olvar web board: http://%s:%d/\n", shown.c_str(), options.port);
    std::printf("engine %s, page %s, up to %d pages at once; Ctrl-C stops\n", options.enginePath.c_str(),
                options.pageDirectory.c_str(), options.maxSessions);
    std::fflush(stdout);

    std::thread stopper([&server, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    server.listen_after_bind();
    // Stopped by a signal, or the listening socket failed: wake the stopper if need be.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return 0;
}
