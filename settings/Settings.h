// The records the settings store reads from and writes to the profile.
#pragma once

#include <cstdint>

// The user's preferences. The flags hold whatever integer the profile gave;
// a flag counts as on when it is non-zero.
struct Settings {
    int32_t AutoPaste = 0;
    int32_t AutoCopy = 0;
    int32_t AutoDecrement = 0;
    int32_t AutoClear = 0;
    int32_t Algorithm = 0; // 0 = MD4, 1 = MD5
    int32_t AppendCRLF = 0;
    int32_t CBViewer = 0;
    int32_t AutoMinimize = 0;

    friend bool operator==(const Settings&, const Settings&) = default;
};

// Screen position of the main window's outer top-left corner; may be negative.
struct WindowOrigin {
    int32_t Left = 0;
    int32_t Top = 0;

    friend bool operator==(const WindowOrigin&, const WindowOrigin&) = default;
};
