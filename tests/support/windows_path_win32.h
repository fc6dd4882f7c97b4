#pragma once
// Under Wine the build folder (a Linux path) is reached through drive Z:.
#include <string>

namespace pell::testing {

inline std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

}  // namespace pell::testing
