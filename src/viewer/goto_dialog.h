// The go-to forms: the view centre typed as a latitude and a longitude in
// one of the three input notations. One procedure serves the three forms and
// tells them apart by the fields they have.
#pragma once

#include "platform/windows/window.h"

#include <cstdint>

// The form of an input notation (107, 108 or 109); any other value, which
// only a damaged settings file could bring, opens the degrees form.
int GotoDialogFor(std::int32_t inputFormat);

// Opens the form of the current input notation over the viewer and returns
// once it is closed.
void OpenGotoDialog();

BOOL GotoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sets up the form's soft-key bar and fills its fields from the view centre;
// false when the bar cannot be created.
bool FillGotoFields(HWND dialog);

// Moves the view centre to the typed position; the zoom and everything else
// stay as they are.
void ApplyGotoFields(HWND dialog);
