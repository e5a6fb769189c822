#include "control/engine.h"
#include "protocol/command_loop.h"
#include "protocol/reply.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

// Sanitizer builds: a hash_size the machine cannot hold must fail the
// allocation (the engine then keeps its tables), not abort the process.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }
#endif

int main() {
#ifdef _WIN32
    // Binary mode: a 0x1A byte must not end the input, CR LF is handled by the
    // command loop, and replies end with a bare line feed as on every system.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // One malloc arena: the search allocates nothing while it runs, and each
    // extra arena would reserve 64 MiB of address space per thread, which a
    // manager's max_memory check may count against the engine.
    mallopt(M_ARENA_MAX, 1);
#endif
    // The one engine of the process and its output; never destroyed, since its
    // worker thread may still be thinking, and writing its report lines, when
    // the process ends (a static output was destroyed under it at exit).
    auto* output = new protocol::StandardOutput;
    auto* engine = new control::Engine(*output);
    auto* loop = new protocol::CommandLoop(*engine, stdin);
    protocol::runCommandLoop(*loop);
}
