#pragma once
// Process-wide handles of the Windows program, set once at start-up.
#include <windows.h>

#include "settings/settings_store.h"

namespace pell {

HINSTANCE ProgramInstance();
HWND MainWindow();
void SetMainWindow(HWND window);

// A skin library loaded from the command line; the main window takes it over
// at creation (afterwards it is null).
HMODULE TakePendingSkinModule();
void SetPendingSkinModule(HMODULE module);

// The settings file of this run (the profile API on SettingsPath).
SettingsStore& Settings();

// True when the path names an existing file or folder.
bool SettingsFileExists(const char* path);

// Registers Pell32WClass, Pell32BClass, Pell32TClass and Pell32MClass in that
// order; non-zero when the last registration succeeded.
int RegisterWindowClasses(HINSTANCE instance);

// Creates the main character window; 1 on success, 0 on failure.
int CreateMainWindow(HINSTANCE instance);

// Window procedures of the four classes.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TooltipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace pell
