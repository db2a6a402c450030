// The dialog templates and the string table of Vennox.rc as data, for the
// front ends that cannot read the resource script (Qt) and for the tests.
// The build generates the data from the script, so both programs show the
// same dialogs.
#pragma once

#include <cstddef>
#include <span>

enum class ControlKind {
    Edit,
    PushButton,
    DefPushButton,
    AutoRadioButton,
    AutoCheckBox,
    GroupBox,
    Text, // left-aligned static text
    Icon, // static icon; text holds the icon's resource id as "#128"
};

// Styles that matter to the behaviour, as bits.
enum ControlStyle : unsigned {
    kTabStop = 1u << 0,
    kGroup = 1u << 1,
    kDisabled = 1u << 2,
    kBorder = 1u << 3,
    kAutoHScroll = 1u << 4,
    kPassword = 1u << 5,
    kReadOnly = 1u << 6,
    kLowercase = 1u << 7,
    kNoPrefix = 1u << 8,
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, cx, cy; // dialog units
    unsigned style;   // ControlStyle bits
};

enum DialogStyle : unsigned {
    kDlgPopup = 1u << 0,
    kDlgCaption = 1u << 1,
    kDlgSysMenu = 1u << 2,
    kDlgModalFrame = 1u << 3,
    kDlgMinimizeBox = 1u << 4,
    kDlgVisible = 1u << 5,
};

struct DialogTemplate {
    int id;
    const char* caption;
    int x, y, cx, cy; // dialog units
    const char* font;
    int pointSize;
    unsigned style;                            // DialogStyle bits
    std::span<const ControlTemplate> controls; // template order = tab order
};

struct ResourceString {
    int id;
    const char* text;
};

// The generated data, in the order of the script.
extern const DialogTemplate kDialogTemplates[];
extern const std::size_t kDialogTemplateCount;
extern const ResourceString kResourceStrings[];
extern const std::size_t kResourceStringCount;

// nullptr for an unknown id.
const DialogTemplate* FindDialogTemplate(int id);

// The string table; nullptr for an unknown id.
const char* FindResourceString(int id);
