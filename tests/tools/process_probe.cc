// Test and benchmark tool: watches the running character of one program file
// from another process, the way a person would with a task manager.
//   process_probe watch EXE INTERVAL_MS COUNT   one line of figures per interval
//   process_probe answers EXE                   exit 0 when the window answers
//   process_probe close EXE                     asks it to close, waits for the end
// EXE is the program's Windows path; the character is the "Pell32 VESK" window
// whose process runs that file (other characters, tests' ones included, are
// left alone).
//
// Where the platform does not count (Wine stubs GetGuiResources and
// GetProcessHandleCount), the figures are taken another way: kernel handles by
// duplicating every handle value in turn, GDI objects from the process's own
// handle table (its PEB points to it, as on Windows), USER objects as the
// process's windows. Each column says which source it used.
#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kClass[] = "Pell32WClass";
const char kTitle[] = "Pell32 VESK";

class Handle {
  public:
    explicit Handle(HANDLE h = nullptr) : handle_(h) {}
    ~Handle() {
        if (handle_)
            CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

struct Target {
    HWND window = nullptr;
    DWORD pid = 0;
};

struct FindRequest {
    std::string image;
    Target found;
};

std::string ImageOf(DWORD pid) {
    Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    if (!process.get() || !QueryFullProcessImageNameA(process.get(), 0, path, &size))
        return {};
    return path;
}

BOOL CALLBACK TakeCharacter(HWND window, LPARAM param) {
    auto* request = reinterpret_cast<FindRequest*>(param);
    char name[64] = {};
    char title[64] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(name, kClass) != 0 || std::strcmp(title, kTitle) != 0)
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (_stricmp(ImageOf(pid).c_str(), request->image.c_str()) != 0)
        return TRUE;
    request->found = {window, pid};
    return FALSE;
}

Target FindCharacter(const std::string& image, DWORD waitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        FindRequest request{image, {}};
        EnumWindows(TakeCharacter, reinterpret_cast<LPARAM>(&request));
        if (request.found.window || GetTickCount() - start >= waitMs)
            return request.found;
        Sleep(100);
    }
}

// Kernel handles: every value the process has open duplicates.
DWORD CountHandles(HANDLE process, const char*& source) {
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count > 0) {
        source = "api";
        return count;
    }
    // Handle values are handed out lowest first: blocks of values are tried
    // until one holds none.
    source = "scan";
    count = 0;
    constexpr ULONG_PTR kBlock = 1024 * 4;
    for (ULONG_PTR block = 0; block < 64 * kBlock; block += kBlock) {
        DWORD inBlock = 0;
        for (ULONG_PTR value = block + 4; value < block + kBlock; value += 4) {
            HANDLE copy = nullptr;
            if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(),
                                &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
                ++inBlock;
                CloseHandle(copy);
            }
        }
        count += inBlock;
        if (inBlock == 0)
            break;
    }
    return count;
}

// One entry of the GDI handle table that the PEB points to.
struct GdiEntry {
    unsigned long long object;
    unsigned int owner;
    unsigned short unique;
    unsigned char type;
    unsigned char flags;
    unsigned long long user;
};
static_assert(sizeof(GdiEntry) == 24, "GDI handle table entry");
constexpr std::size_t kGdiTableEntries = 0x10000;
constexpr std::size_t kPebGdiTableOffset = 0xF8;  // 64-bit PEB

long CountGdiFromTable(HANDLE process) {
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return -1;
    void* table = nullptr;
    SIZE_T got = 0;
    if (!ReadProcessMemory(
            process,
            static_cast<char*>(static_cast<void*>(basic.PebBaseAddress)) + kPebGdiTableOffset,
            &table, sizeof table, &got) ||
        !table)
        return -1;
    std::vector<GdiEntry> entries(kGdiTableEntries);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry), &got))
        return -1;
    long count = 0;
    for (std::size_t i = 0; i < got / sizeof(GdiEntry); ++i) {
        if (entries[i].type != 0)
            ++count;
    }
    return count;
}

struct WindowCount {
    DWORD pid;
    long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++reinterpret_cast<WindowCount*>(param)->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
    auto* tally = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == tally->pid) {
        ++tally->count;
        EnumChildWindows(window, CountChild, param);
    }
    return TRUE;
}

long CountGui(HANDLE process, DWORD pid, DWORD which, const char*& source) {
    SetLastError(0);
    const DWORD count = GetGuiResources(process, which);
    if (count > 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        source = "api";
        return static_cast<long>(count);
    }
    if (which == GR_GDIOBJECTS) {
        source = "table";
        return CountGdiFromTable(process);
    }
    source = "windows";
    WindowCount tally{pid, 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&tally));
    return tally.count;
}

// Milliseconds the window took to answer, or -1 when it did not within 5 s.
long AnswerTime(HWND window) {
    const DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
        return -1;
    return static_cast<long>(GetTickCount() - start);
}

int Watch(const std::string& image, DWORD interval, int count) {
    const Target target = FindCharacter(image, 30000);
    if (!target.window) {
        std::fprintf(stderr, "process_probe: no character of %s\n", image.c_str());
        return 1;
    }
    Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE,
                               FALSE, target.pid));
    if (!process.get()) {
        std::fprintf(stderr, "process_probe: cannot open process %lu\n", target.pid);
        return 1;
    }
    const DWORD start = GetTickCount();
    for (int i = 0; i < count; ++i) {
        const char* handleSource = "";
        const char* gdiSource = "";
        const char* userSource = "";
        const DWORD handles = CountHandles(process.get(), handleSource);
        const long gdi = CountGui(process.get(), target.pid, GR_GDIOBJECTS, gdiSource);
        const long user = CountGui(process.get(), target.pid, GR_USEROBJECTS, userSource);
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory);
        const long answer = AnswerTime(target.window);
        if (i == 0) {
            std::printf(
                "seconds\thandles(%s)\tgdi(%s)\tuser(%s)\tworking_set_kb\tprivate_kb\tanswer_"
                "ms\n",
                handleSource, gdiSource, userSource);
        }
        std::printf("%.1f\t%lu\t%ld\t%ld\t%zu\t%zu\t%ld\n", (GetTickCount() - start) / 1000.0,
                    handles, gdi, user, memory.WorkingSetSize / 1024, memory.PrivateUsage / 1024,
                    answer);
        std::fflush(stdout);
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process.get(), &exitCode) && exitCode != STILL_ACTIVE) {
            std::fprintf(stderr, "process_probe: the program ended\n");
            return 1;
        }
        // Samples keep their rhythm whatever a sample costs.
        const DWORD next = (i + 1) * interval;
        const DWORD now = GetTickCount() - start;
        if (i + 1 < count && next > now)
            Sleep(next - now);
    }
    return 0;
}

int Answers(const std::string& image) {
    const Target target = FindCharacter(image, 10000);
    if (!target.window)
        return 1;
    const long answer = AnswerTime(target.window);
    std::printf("answer_ms\t%ld\n", answer);
    return answer >= 0 ? 0 : 1;
}

int Close(const std::string& image) {
    const Target target = FindCharacter(image, 5000);
    if (!target.window)
        return 0;
    Handle process(OpenProcess(SYNCHRONIZE, FALSE, target.pid));
    PostMessageA(target.window, WM_CLOSE, 0, 0);
    if (!process.get())
        return 1;
    return WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "watch" && argc == 5)
        return Watch(argv[2], std::strtoul(argv[3], nullptr, 10), std::atoi(argv[4]));
    if (mode == "answers" && argc == 3)
        return Answers(argv[2]);
    if (mode == "close" && argc == 3)
        return Close(argv[2]);
    std::fprintf(stderr,
                 "usage: process_probe watch EXE INTERVAL_MS COUNT | answers EXE | close EXE\n");
    return 2;
}
