// Start-up and shut-down of the viewer.
#pragma once

#include "platform/windows/window.h"

// The program: opens the map next to the executable, sets up the view and
// the window, and runs the message loop. Returns the exit code.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

// Opens the map and sets the initial view state. Shows the map's fault and
// returns false when it cannot be opened.
bool OpenMapAndView();
// Closes the map OpenMapAndView opened (AppState::mapPackage is then null).
void CloseMap();

// The single-instance check, the window class, the settings, the window and
// the game keys. False ends the program (quietly, with exit code 0).
bool SetUpInstance(HINSTANCE instance, int showCommand);

ATOM RegisterMainClass(HINSTANCE instance, LPCWSTR className);

// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Closes the inbox signal and saves the settings; called once the main
// window is being destroyed.
void ShutdownApp();
