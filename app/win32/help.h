// The help file zuvi.chm through the HTML Help control: topic pages and control popups.
#pragma once

#include <windows.h>

constexpr UINT kHhDisplayTopic = 0x00;
constexpr UINT kHhTpHelpWmHelp = 0x11;
constexpr UINT kHhCloseAll = 0x12;
constexpr UINT kHhInitialize = 0x1C;
constexpr UINT kHhUninitialize = 0x1D;

// HtmlHelpA of the help control, loaded on the first call. 0 when the control is missing (for
// this and every later call).
HWND callHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data);

// A help button or F1: with a help-request record of a control that has a popup, the popup;
// otherwise the page of the topic. A page that cannot be opened gives
// "Hilfedatei nicht gefunden!".
void ShowHelp(HWND owner, const HELPINFO* info, int topic);

// Start and end of the help system.
void helpInitialize();
void helpUninitialize();
