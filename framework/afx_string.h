#pragma once

#include <windows.h>

#include <string>
#include <type_traits>

// The framework's string: narrow (ANSI code page) for the dialog fields,
// wide where text must survive any code page, such as menu entries.
template <class Char>
class CStringT {
  public:
    CStringT() = default;
    CStringT(const Char* text) : text_(text) {}

    CStringT& operator=(const Char* text) {
        text_ = text;
        return *this;
    }
    CStringT& operator=(std::basic_string<Char> text) {
        text_ = std::move(text);
        return *this;
    }

    // Loads string resource `id` from `module`; false (and empty) when it is
    // missing. Wide only: resource texts are UTF-16 and stay exact that way.
    bool LoadString(HINSTANCE module, UINT id) {
        static_assert(std::is_same_v<Char, wchar_t>, "resource texts are loaded wide");
        // With a zero buffer size the call hands back a pointer into the resource itself.
        const wchar_t* resource = nullptr;
        int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&resource), 0);
        text_.assign(resource != nullptr ? resource : L"", length > 0 ? length : 0);
        return length > 0;
    }

    void Empty() { text_.clear(); }
    bool IsEmpty() const { return text_.empty(); }
    int GetLength() const { return static_cast<int>(text_.size()); }
    const Char* c_str() const { return text_.c_str(); }
    const std::basic_string<Char>& str() const { return text_; }

    friend bool operator==(const CStringT&, const CStringT&) = default;

  private:
    std::basic_string<Char> text_;
};

using CStringA = CStringT<char>;
using CStringW = CStringT<wchar_t>;
