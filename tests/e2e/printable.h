#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// What a failing template check prints: styles in hexadecimal, as the resource script and
// the SDK headers write them, and texts with each character outside ASCII as its code
// point, which any console shows.
inline std::string Hex(DWORD value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

inline std::string Printable(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char point[10];
            std::snprintf(point, sizeof point, "<U+%04X>", static_cast<unsigned>(c));
            out += point;
        }
    }
    return out;
}
