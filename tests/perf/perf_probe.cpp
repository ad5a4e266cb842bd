// Measures Tavrimo against two baselines under the same conditions: start to dialog shown,
// peak working set and the time to handle one keystroke in the height field. The baselines
// are Tavrimo's own dialog and resources after the same common-controls call, with no code
// behind the dialog (baseline-dialog.exe) and with only the height check behind it
// (change-baseline.exe). The programs take turns, run after run, so that drift hits all
// alike. Further Tavrimo.exe files given on the command line (an earlier build, say) take
// their turns too. Reports only: it judges nothing.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/tavrimo_process.h"

namespace {

constexpr int kRuns = 9;
constexpr int kKeystrokes = 200;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Program {
    explicit Program(std::wstring path) : exe(std::move(path)) {}
    std::wstring exe;
    std::vector<double> startMs, peakMiB, keystrokeUs;
};

// One run: start, memory once the program waits for input, then keystrokes that
// alternately add a digit and take it away (both accepted heights).
void Run(Program& program) {
    auto begin = std::chrono::steady_clock::now();
    TavrimoProcess process(program.exe);
    auto shown = std::chrono::steady_clock::now();
    program.startMs.push_back(std::chrono::duration<double, std::milli>(shown - begin).count());

    WaitForInputIdle(process.ProcessHandle(), 5000);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.ProcessHandle(), &memory, sizeof memory);
    program.peakMiB.push_back(memory.PeakWorkingSetSize / (1024.0 * 1024.0));

    HWND field = process.Control(EDIT_HEIGHT);
    SendBounded(field, WM_CHAR, L'1', 1);
    std::vector<double> keystrokes;
    for (int i = 0; i < kKeystrokes; ++i) {
        auto sent = std::chrono::steady_clock::now();
        SendBounded(field, WM_CHAR, i % 2 == 0 ? L'7' : L'\b', 1);
        auto answered = std::chrono::steady_clock::now();
        keystrokes.push_back(std::chrono::duration<double, std::micro>(answered - sent).count());
    }
    program.keystrokeUs.push_back(Median(keystrokes));
}

// Closes the report file, where there is one.
struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != stdout) std::fclose(file);
    }
};

}  // namespace

// perf_probe [--report FILE] [OTHER.exe ...]: the table to FILE (the test kit's perf.txt) and
// only the summary line to the console, or both to the console.
int wmain(int argc, wchar_t** argv) {
    std::unique_ptr<std::FILE, FileCloser> report(stdout);
    int first = 1;
    if (argc > 2 && std::wstring(argv[1]) == L"--report") {
        report.reset(_wfopen(argv[2], L"w"));
        if (report == nullptr) return 1;
        first = 3;
    }
    const std::wstring folder = ProgramFolder();
    std::vector<Program> programs;
    for (const wchar_t* name : {L"baseline-dialog.exe", L"change-baseline.exe", L"Tavrimo.exe"}) {
        std::wstring path = folder;
        path.append(L"\\").append(name);
        programs.emplace_back(std::move(path));
    }
    for (int i = first; i < argc; ++i) programs.emplace_back(argv[i]);

    for (int run = 0; run < kRuns; ++run)
        for (Program& program : programs) Run(program);

    const Program& baseline = programs.front();
    const double baseStart = Median(baseline.startMs), basePeak = Median(baseline.peakMiB),
                 baseKey = Median(baseline.keystrokeUs);
    std::FILE* out = report.get();
    std::fprintf(out,
                 "Medians of %d alternating runs of the %s builds; a keystroke is the median "
                 "WM_CHAR round trip of %d in a run. Ratios are to baseline-dialog.exe.\n\n",
                 kRuns, sizeof(void*) == 8 ? "x86-64" : "32-bit x86", kKeystrokes);
    std::fprintf(out, "| program | start to dialog shown | peak working set | one keystroke |\n");
    std::fprintf(out, "|---|---|---|---|\n");
    for (const Program& program : programs) {
        const std::wstring name = program.exe.substr(program.exe.find_last_of(L"\\/") + 1);
        const double start = Median(program.startMs), peak = Median(program.peakMiB),
                     key = Median(program.keystrokeUs);
        std::fprintf(out, "| %ls | %.1f ms (%.2fx) | %.2f MiB (%.3fx) | %.1f us (%.2fx) |\n",
                     name.c_str(), start, start / baseStart, peak, peak / basePeak, key,
                     key / baseKey);
    }
    // One line for the console and for a script to pick out: Tavrimo's three ratios.
    const Program& tavrimo = programs[2];
    char summary[160];
    std::snprintf(summary, sizeof summary,
                  "Tavrimo.exe: start %.2fx, peak working set %.3fx, keystroke %.2fx of "
                  "baseline-dialog.exe",
                  Median(tavrimo.startMs) / baseStart, Median(tavrimo.peakMiB) / basePeak,
                  Median(tavrimo.keystrokeUs) / baseKey);
    std::fprintf(out, "\n%s\n", summary);
    if (out != stdout) std::printf("perf: %s\n", summary);
    return 0;
}
