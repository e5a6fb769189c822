// libFuzzer target over the command loop: each input is a session of protocol
// lines (commands, bodies, INFO keys, garbage) run in-process with the real
// worker thread. Thinks are kept short; the end of each input stops the think
// as the process exit would.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "control/engine.h"
#include "control/worker.h"
#include "protocol/command_loop.h"
#include "protocol/reply.h"

namespace {

// A hash_size above this is lowered: the fuzzer is not a memory test.
constexpr long long MaxFuzzHashSize = 4096;

// Lowers every "hash_size N" value that asks for more than the fuzzer allows.
std::string capHashSizes(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string upper(text);
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    for (size_t at = upper.find("HASH_SIZE"); at != std::string::npos; at = upper.find("HASH_SIZE", at + 1)) {
        size_t p = at + 9;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
        size_t digits = p;
        while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
        if (digits > p && (digits - p > 6 || std::atoll(text.substr(p, digits - p).c_str()) > MaxFuzzHashSize)) {
            text.replace(p, digits - p, std::to_string(MaxFuzzHashSize));
            upper.replace(p, digits - p, std::to_string(MaxFuzzHashSize));
        }
    }
    return text;
}

// One engine for the whole run (its worker thread lives as long as the
// process), put back to a new engine's state before each input.
control::Engine& fuzzEngine() {
    static protocol::StandardOutput output;
    static control::Engine* engine = new control::Engine(output);
    return *engine;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The engine's replies are not looked at; keep the terminal quiet.
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    control::startWorkerThread(fuzzEngine());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = capHashSizes(data, size);
    control::Engine& engine = fuzzEngine();
    control::stopThink(engine);
    engine.game = control::GameRecord{};
    engine.blockMask.clear();
    control::restoreDefaults(engine.settings);
    engine.settings.timeoutTurn = 20;
    engine.settings.hashSize = 1024;
    engine.worker.thinkMode.store(control::NormalThink);

    text.push_back('\0');  // fmemopen needs a non-empty buffer
    std::FILE* input = fmemopen(text.data(), text.size() - 1 > 0 ? text.size() - 1 : 1, "r");
    if (!input) return 0;
    protocol::CommandLoop loop(engine, input);
    while (protocol::readLine(loop) && protocol::dispatchCommand(loop) == protocol::CommandResult::Continue) {
    }
    control::stopThink(engine);
    std::fclose(input);
    std::fflush(stdout);
    return 0;
}
