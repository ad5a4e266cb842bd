// Measures, under the same conditions for both, how long Tavrimo and the
// baseline dialog take to show their window and how much memory they peak at;
// then how long Tavrimo takes to handle one keystroke in the height field.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/tavrimo_process.h"

namespace {

constexpr int kStarts = 9;
constexpr int kKeystrokes = 1000;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Percentile90(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() * 9 / 10];
}

struct StartFigures {
    double startMs;
    double peakMiB;
};

StartFigures MeasureStarts(const std::wstring& exe, const std::wstring& caption) {
    std::vector<double> starts, peaks;
    for (int i = 0; i < kStarts; ++i) {
        auto begin = std::chrono::steady_clock::now();
        TavrimoProcess program(exe, caption);
        auto shown = std::chrono::steady_clock::now();
        starts.push_back(std::chrono::duration<double, std::milli>(shown - begin).count());
        WaitForInputIdle(program.ProcessHandle(), 5000);
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(program.ProcessHandle(), &memory, sizeof memory);
        peaks.push_back(memory.PeakWorkingSetSize / (1024.0 * 1024.0));
    }
    return {Median(starts), Median(peaks)};
}

}  // namespace

int main() {
    const std::wstring folder = ProgramFolder();
    StartFigures tavrimo = MeasureStarts(folder + L"\\Tavrimo.exe", L"Tavrimo");
    StartFigures baseline = MeasureStarts(folder + L"\\baseline-dialog.exe", L"Baseline");

    // Each keystroke against a message that does nothing: the difference is the program's own work.
    std::vector<double> keystrokes, emptyMessages;
    {
        TavrimoProcess program;
        HWND field = program.Control(EDIT_HEIGHT);
        auto roundTrip = [&](UINT message, WPARAM wParam) {
            auto begin = std::chrono::steady_clock::now();
            SendBounded(field, message, wParam, 1);
            auto end = std::chrono::steady_clock::now();
            return std::chrono::duration<double, std::micro>(end - begin).count();
        };
        for (int i = 0; i < kKeystrokes; ++i) {
            keystrokes.push_back(roundTrip(WM_CHAR, i % 2 == 0 ? L'1' : L'\b'));
            emptyMessages.push_back(roundTrip(WM_NULL, 0));
        }
    }

    std::printf(
        "| program (win64, wine64) | start to dialog shown, median of %d | peak working set, "
        "median |\n",
        kStarts);
    std::printf("|---|---|---|\n");
    std::printf("| Tavrimo.exe | %.1f ms | %.1f MiB |\n", tavrimo.startMs, tavrimo.peakMiB);
    std::printf("| baseline-dialog.exe | %.1f ms | %.1f MiB |\n", baseline.startMs,
                baseline.peakMiB);
    std::printf(
        "\nOne keystroke in the height field (WM_CHAR round trip, change check included), %d "
        "keystrokes:\n",
        kKeystrokes);
    std::printf("median %.1f us, 90th percentile %.1f us\n", Median(keystrokes),
                Percentile90(keystrokes));
    std::printf("WM_NULL round trip to the same field (message passing alone): median %.1f us\n",
                Median(emptyMessages));
    return 0;
}
