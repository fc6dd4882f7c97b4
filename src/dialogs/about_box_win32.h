#pragma once
// The modeless about box (template 113): product name, version, the notice
// line and the home page's address, which can be selected and copied.
#include <windows.h>

namespace pell {

inline constexpr int kAboutBoxTemplate = 113;
inline constexpr int kAboutAddressField = 118;
inline constexpr char kHomePageAddress[] = "https://pellwatcher.example/";

// Null when the box cannot be created. While it is open *record holds its
// handle; closing it clears the record. `record` may be null.
HWND CreateAboutBox(HWND owner, HWND* record);

}  // namespace pell
