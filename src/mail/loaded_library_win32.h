#pragma once
// Libraries of rare paths (the new-mail sound, the dial-up probe, the
// connection table) are loaded when first needed rather than imported, so that
// a run that never needs them never maps them. They are system libraries and
// come from the system folder only: the program may run from a downloads
// folder, where a file of the same name could lie beside it.
#include <windows.h>

namespace pell {

// A system library (a bare file name such as "WINMM.DLL") from the system
// folder, its own dependencies too; null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);

// A system library loaded for one use and freed afterwards.
class LoadedLibrary {
  public:
    explicit LoadedLibrary(const char* name) : module_(LoadSystemLibrary(name)) {}
    ~LoadedLibrary() {
        if (module_)
            FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    HMODULE get() const { return module_; }

  private:
    HMODULE module_;
};

// An entry point of a loaded library as the function type it has; null when
// the library or the entry point is missing.
template <typename Function>
Function EntryPoint(HMODULE module, const char* name) {
    if (!module)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// An entry point of a system library that, once loaded, stays for the rest of the run
// (a sound plays on after its call returns; the connection table is read at
// every check). Each distinct Tag gets its own lookup, done once and safely
// from any thread.
template <typename Tag, typename Function>
Function EntryPointForRun(const char* library, const char* name) {
    static const Function entry = EntryPoint<Function>(LoadSystemLibrary(library), name);
    return entry;
}

}  // namespace pell
