// The stack guard that the compiler's stack protection checks on leaving a function.
// The compiler's own library would seed it through the Crypto API, which loads a
// cryptographic provider at every start; here it is seeded as the platform's own
// run-time library seeds its security cookie: from the time, the process and thread,
// the tick count and the performance counter, mixed with an address that ASLR moves.
#include <windows.h>

#include <cstdint>

extern "C" {

// Seeded before any function that checks it runs: see SeedStackGuard below.
void* __stack_chk_guard = reinterpret_cast<void*>(std::uintptr_t{0xBB40E64E});

// A function's guard was overwritten: its stack is not to be trusted, so the process ends
// at once, running nothing of its own. The text names the cause to a debugger.
[[noreturn]] void __stack_chk_fail() {
    OutputDebugStringA("stack smashing detected: the process ends");
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}
}

namespace {

// First among the program's constructors: before it, only the start-up code runs, which
// checks no guard. It must not check one itself, since it changes it.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::uint64_t seed = (std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime) ^
                         GetCurrentProcessId() ^ (std::uint64_t{GetCurrentThreadId()} << 16) ^
                         GetTickCount() ^ static_cast<std::uint64_t>(counter.QuadPart) ^
                         reinterpret_cast<std::uintptr_t>(&time);
    if constexpr (sizeof(void*) == 4) seed ^= seed >> 32;  // every bit counts in 32 bits
    __stack_chk_guard = reinterpret_cast<void*>(static_cast<std::uintptr_t>(seed));
}

}  // namespace
