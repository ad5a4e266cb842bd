// Shows Tavrimo at work without a person at the keyboard: types a height,
// presses Calculate, prints the three fields, saves a picture of the dialog
// beside this program (tavrimo.bmp), and ends the program with Exit.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/tavrimo_process.h"

namespace {

// Copies the window's rectangle of the screen into a 24-bit bitmap file.
bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    int stride = (width * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
    bool copied = GetDIBits(memory, bitmap, 0, height, pixels.data(),
                            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) return false;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main() {
    TavrimoProcess tavrimo;
    tavrimo.Type(EDIT_HEIGHT, L"175");
    // A user's click leaves the focus on the button; the picture shows it so.
    SendBounded(tavrimo.Dialog(), WM_NEXTDLGCTL,
                reinterpret_cast<WPARAM>(tavrimo.Control(BUTTON_CALCULATE)), TRUE);
    tavrimo.Click(BUTTON_CALCULATE);
    std::printf("身高 (height):   %s\n", Utf8(tavrimo.Text(EDIT_HEIGHT)).c_str());
    std::printf("长度 (length):   %s\n", Utf8(tavrimo.Text(EDIT_LENGTH)).c_str());
    std::printf("直径 (diameter): %s\n", Utf8(tavrimo.Text(EDIT_DIAMETER)).c_str());
    // Painted in full before the picture is taken: a slow (emulated) PC is still drawing.
    RedrawWindow(tavrimo.Dialog(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    tavrimo.Responsive();
    Sleep(1000);
    bool saved = SaveWindowPicture(tavrimo.Dialog(), ProgramFolder() + L"\\tavrimo.bmp");

    tavrimo.Click(BUTTON_EXIT);
    DWORD exitCode = 1;
    if (!tavrimo.WaitForExit(exitCode) || exitCode != 0) {
        std::fprintf(stderr, "Tavrimo did not end cleanly on Exit\n");
        return 1;
    }
    if (!saved) {
        std::fprintf(stderr, "could not capture the dialog\n");
        return 1;
    }
    return 0;
}
