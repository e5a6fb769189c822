#include "support/engine_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

std::string enginePath() {
    if (const char* path = std::getenv("OLVAR_ENGINE")) return path;
    return OLVAR_ENGINE_PATH;
}

std::vector<std::string> engineRunner() {
    std::vector<std::string> words;
    const char* text = std::getenv("OLVAR_ENGINE_RUNNER");
    if (text == nullptr) return words;
    std::istringstream in(text);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

EngineProcess::EngineProcess(const std::string& path) {
    std::signal(SIGPIPE, SIG_IGN);
    // The command line is built before the fork: the child only execs.
    std::vector<std::string> words = engineRunner();
    words.push_back(path);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // Close-on-exec: an engine started by another thread at the same moment
    // must not inherit these ends, or this engine's end of output would not be
    // seen while that one runs. dup2 clears the flag on the child's 0 and 1.
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        if (argv.size() > 2) execvp(argv[0], argv.data());  // a runner is looked up in PATH
        else execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toEngine_ = in[1];
    fromEngine_ = out[0];
}

EngineProcess::~EngineProcess() {
    if (toEngine_ >= 0) close(toEngine_);
    if (!exited_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (fromEngine_ >= 0) close(fromEngine_);
}

void EngineProcess::writeRaw(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(toEngine_, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // the engine has gone; reads will tell
        }
        done += size_t(n);
    }
}

bool EngineProcess::readLine(std::string& line, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return true;
        }
        if (outputClosed_) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fromEngine_, POLLIN, 0};
        int r = poll(&p, 1, int(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        char buffer[4096];
        ssize_t n = read(fromEngine_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            outputClosed_ = true;
            continue;
        }
        pending_.append(buffer, size_t(n));
    }
}

std::string EngineProcess::nextLine(int timeoutMs) {
    std::string line;
    if (readLine(line, timeoutMs)) return line;
    return outputClosed_ ? "<eof>" : "<timeout>";
}

std::vector<std::string> EngineProcess::readUntil(const std::string& stop, int timeoutMs) {
    std::vector<std::string> lines;
    std::string line;
    while (readLine(line, timeoutMs)) {
        lines.push_back(line);
        if (line == stop) break;
    }
    return lines;
}

std::vector<std::string> EngineProcess::readUntilPrefix(const std::string& prefix, int timeoutMs) {
    std::vector<std::string> lines;
    for (;;) {
        std::string line = nextLine(timeoutMs);
        lines.push_back(line);
        if (line.rfind(prefix, 0) == 0 || line == "<timeout>" || line == "<eof>") return lines;
    }
}

std::string EngineProcess::awaitMove(int timeoutMs, std::vector<std::string>* messages) {
    for (;;) {
        std::string line = nextLine(timeoutMs);
        if (line.rfind("MESSAGE", 0) != 0) return line;
        if (messages) messages->push_back(line);
    }
}

bool EngineProcess::silentFor(int quietMs) {
    std::string line;
    if (!readLine(line, quietMs)) return true;
    pending_.insert(0, line + "\n");
    return false;
}

void EngineProcess::closeInput() {
    if (toEngine_ >= 0) close(toEngine_);
    toEngine_ = -1;
}

int EngineProcess::waitExit(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            exited_ = true;
            return -1;
        }
        usleep(2000);
    }
    exited_ = true;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -2;
}

std::vector<std::string> EngineProcess::exchange(const std::string& line, size_t replies, int timeoutMs) {
    send(line);
    std::vector<std::string> lines;
    for (size_t i = 0; i < replies; ++i) lines.push_back(nextLine(timeoutMs));
    return lines;
}

}  // namespace testing_support
