#pragma once
// The main window's handling of its messages, split by concern. Each handler
// reads the settings it needs and carries out the decisions of the character
// logic on the window.
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <optional>

namespace pell {

// Creation and end of the run.
void OnMainWindowCreate(HWND window);
void OnMainWindowDestroy(HWND window);

// Place, stacking, position and painting.
void ApplyStacking(HWND window, std::optional<POINT> moveTo);
void PlaceWindow(HWND window);
void SavePosition(HWND window);
void PaintFace(HWND window);
// The screen's DPI changed (WM_DPICHANGED): the frames are made again at the
// character's scale for it.
void OnDpiChanged(HWND window, int dpi);

// Refresh after a check, face update, animation, the worker's requests.
void RefreshAfterCheck(HWND window, WPARAM fromClick);
void FaceUpdate(HWND window);
void AnimationTick(HWND window);
void OnHostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Pointer and tooltip.
void OnMouseMove(HWND window, WPARAM keys);
void OnPointerLeft(HWND window);
void OnTooltipDelay(HWND window);
void OnTooltipTimeout(HWND window);
void CloseTooltip();
// Closes the tooltip only while it is shown; a suppressed tooltip stays
// suppressed and a pending tooltip delay keeps running.
void CloseShownTooltip();
void OnLeftButtonDown(HWND window);
void OnLeftButtonUp(HWND window);
void OnRightButtonDown(HWND window);

// Commands, timers, new mail, dropped files, skins and the reload.
void OnCommand(HWND window, int id);
void OnTimer(HWND window, UINT_PTR id);
void OnNewMail(HWND window, LPARAM notice);
void OnDropFiles(HWND window, WPARAM drop);
void OnSkinChange(HWND window, WPARAM wParam, LPARAM lParam);
void OnSettingsChanged(HWND window);
// Sleep and resume (WM_POWERBROADCAST).
void OnPowerBroadcast(WPARAM event);

// The IDLE watchers: created with the window; a check of account `index`
// ended; their events and reconnect timers; stopped before a suspend or the
// settings dialog and started again from the new list after it; ended at the
// exit, waited for until `deadline`.
void CreateIdleWatchers(HWND window);
void OnAccountCheckEnded(std::size_t index);
void OnIdleMessage(HWND window, UINT message, LPARAM id);
void OnIdleRetryTimer(UINT_PTR id);
void StopIdleWatchers();
void RestartIdleWatchers();
void EndIdleWatchers(std::chrono::steady_clock::time_point deadline);
// Starts the check a watcher asked for when no check runs; true when one started.
bool StartRequestedCheck();

// The message loop hands keyboard messages of the open modeless dialogs
// (settings, about) to them; true when one took the message.
bool IsOpenDialogMessage(MSG* msg);

}  // namespace pell
