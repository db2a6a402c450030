// Help for Vennox.exe: the same HTML page as the Linux program's, carried
// inside the exe, written out to the user's temporary folder and opened in
// the browser at the topic of a context number.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

// The file: URL of an absolute Windows path, UTF-8 and percent-encoded, with
// the fragment appended when there is one: C:\a b\x.html and "t" give
// file:///C:/a%20b/x.html#t.
std::wstring FileUrl(std::wstring_view path, std::wstring_view fragment);

// Writes the page (resource IDR_HELPPAGE of the module) to
// %TEMP%\Vennox\help.html, replacing whatever is there; returns the path,
// empty when it could not be written.
std::wstring WriteHelpPage(HINSTANCE module);

// Opens the page at the topic "context-N" in the user's browser (context 0:
// the top). False when nothing could show it.
bool ShowHelpPage(HINSTANCE module, HWND owner, unsigned context);
