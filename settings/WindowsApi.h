// <windows.h> for code that also uses AppProfile. The header defines the
// platform's old win.ini calls GetProfileInt, GetProfileString and
// WriteProfileString as macros, which would rename AppProfile's operations;
// include this instead of <windows.h> wherever both meet.
#pragma once

#include <windows.h>

#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
