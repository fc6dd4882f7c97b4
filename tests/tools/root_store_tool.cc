// Adds a DER certificate to the current user's Root store of the Wine prefix,
// so that the TLS tests can trust their own test CA:  root_store_tool FILE.der
// (The registry key it lands in is removed again with "wine reg delete".)
#include <windows.h>
// The certificate header needs the base definitions first.
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: root_store_tool FILE.der\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    std::string der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (der.empty()) {
        std::fprintf(stderr, "root_store_tool: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!CertAddEncodedCertificateToSystemStoreW(L"Root", reinterpret_cast<const BYTE*>(der.data()),
                                                 static_cast<DWORD>(der.size()))) {
        std::fprintf(stderr, "root_store_tool: not added (error %lu)\n", GetLastError());
        return 1;
    }
    return 0;
}
