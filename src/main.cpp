#include "protocol/command_loop.h"

// Sanitizer builds: a hash_size the machine cannot hold must fail the
// allocation (the engine then keeps its tables), not abort the process.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }
#endif

int main() { protocol::runCommandLoop(); }
