#pragma once
// The main window as one check's worker sees it: every request is posted to
// the window's thread. A run that the window has abandoned posts nothing more.
#include <windows.h>

#include <memory>

#include "mail/check_host.h"
#include "mail/check_run.h"

namespace pell {

std::shared_ptr<CheckHost> MakeWindowCheckHost(HWND window, std::shared_ptr<CheckRun> run);

// A notice posted with MSG_NEWMAIL is registered until the window takes it, so
// that the window never follows a pointer it was not handed (any process can
// post the message). True when `notice` was in flight; it is then the caller's.
bool TakeNoticeInFlight(const void* notice);

// The low 32 bits of a run id, as the worker-done message carries it.
inline LPARAM RunIdParam(std::uint64_t id) {
    return static_cast<LPARAM>(static_cast<std::uint32_t>(id));
}

}  // namespace pell
