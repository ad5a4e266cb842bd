// The programs that the check-footprint tests build: with no PLANT_ defined, one that the
// check passes; with one, the same program with that one fault in its code.
#define WIN32_LEAN_AND_MEAN  // a tenth of the headers to compile: the test builds many
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstring>

#if defined(PLANT_SEH)
#include <sstream>

// Reads the head of the exception handler chain, as code that registers a handler does,
// and then carries megabytes of disassembly after it (string streams and their locales).
static int Planted() {
    void* chain = nullptr;
    asm volatile("mov %%fs:0, %0" : "=r"(chain));
    std::ostringstream text;
    text << chain;
    return static_cast<int>(text.str().size());
}
#elif defined(PLANT_XP_LACKS)
static int Planted() { return static_cast<int>(GetTickCount64() & 1); }  // from Vista on
#elif defined(PLANT_UNKNOWN_DLL)
static int Planted() {
    InitCommonControls();  // comctl32.dll, looked for beside the program first
    return 0;
}
#elif defined(PLANT_WRITABLE_CODE)
asm(".section .wx,\"wx\"\n.byte 0xc3\n.text");
static int Planted() { return 0; }
#elif defined(PLANT_SIZE)
extern const char kPadding[];
const char kPadding[300 * 1024] = {1};
static int Planted() { return kPadding[GetTickCount() % sizeof kPadding]; }
#else
static int Planted() { return 0; }
#endif

int main(int argc, char** argv) {
    char name[64];  // a local array: its function checks the stack guard
    std::memcpy(name, argv[0], 1);
    return name[0] == argc + Planted();
}
