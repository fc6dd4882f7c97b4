#include "notify/face_font_win32.h"

namespace pell {
namespace {

struct FaceSearch {
    LOGFONTA font{};
    bool found = false;
    bool foundSystemCharset = false;
    BYTE systemCharset = DEFAULT_CHARSET;
};

int CALLBACK TakeDescription(const LOGFONTA* description, const TEXTMETRICA*, DWORD, LPARAM data) {
    auto* search = reinterpret_cast<FaceSearch*>(data);
    const bool systemCharset = description->lfCharSet == search->systemCharset;
    // Text is drawn in the code page of the font's character set: a Latin
    // description of a Japanese face would garble every Japanese line.
    if (systemCharset || !search->foundSystemCharset) {
        search->font = *description;
        search->found = true;
        search->foundSystemCharset = search->foundSystemCharset || systemCharset;
    }
    return 1;
}

BYTE SystemCharset() {
    CHARSETINFO info{};
    if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(GetACP())), &info,
                             TCI_SRCCODEPAGE)) {
        return static_cast<BYTE>(info.ciCharset);
    }
    return DEFAULT_CHARSET;
}

}  // namespace

UniqueFont MakeFaceFont(HDC dc, const char* face, int height) {
    FaceSearch search;
    search.systemCharset = SystemCharset();
    EnumFontFamiliesA(dc, face, TakeDescription, reinterpret_cast<LPARAM>(&search));
    search.font.lfHeight = height;
    search.font.lfWidth = 0;
    if (!search.found)
        search.font.lfCharSet = DEFAULT_CHARSET;
    return UniqueFont(CreateFontIndirectA(&search.font));
}

}  // namespace pell
