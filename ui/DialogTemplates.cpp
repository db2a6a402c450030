#include "ui/DialogTemplates.h"

#include "ui/res/resource.h"

namespace {

constexpr ControlTemplate kMainControls[] = {
    {IDC_CHALLENGE, ControlKind::Edit, "", 44, 6, 106, 12, kBorder | kTabStop | kAutoHScroll},
    {IDC_PASSWORD, ControlKind::Edit, "", 44, 23, 106, 12,
     kBorder | kTabStop | kAutoHScroll | kPassword},
    {IDC_RESPONSE, ControlKind::Edit, "", 44, 40, 106, 12,
     kBorder | kAutoHScroll | kReadOnly | kLowercase},
    {IDOK, ControlKind::DefPushButton, "&Compute", 8, 60, 42, 14, kTabStop},
    {IDC_OPTIONS, ControlKind::PushButton, "&Options", 57, 60, 42, 14, kTabStop},
    {IDHELP, ControlKind::PushButton, "&Help", 106, 60, 42, 14, kTabStop},
    {IDC_STATIC, ControlKind::Text, "Challenge:", 6, 8, 34, 8, 0},
    {IDC_STATIC, ControlKind::Text, "Password:", 6, 25, 34, 8, 0},
    {IDC_STATIC, ControlKind::Text, "Response:", 6, 42, 34, 8, 0},
};

// The maker lines are ours; the rest of the box is fixed.
constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, ControlKind::Icon, "#128", 11, 17, 18, 20, 0},
    {IDC_STATIC, ControlKind::Text, "Vennox Version 2.1", 40, 7, 119, 8, kNoPrefix},
    {IDC_STATIC, ControlKind::Text, "Contact: vennox@users.invalid", 40, 40, 119, 8, 0},
    {IDOK, ControlKind::PushButton, "OK", 178, 7, 32, 14, kGroup | kTabStop},
    {IDC_STATIC, ControlKind::Text, "(C) 2026 the Vennox developers", 40, 18, 119, 8, 0},
    {IDC_STATIC, ControlKind::Text, "The Vennox Project", 40, 29, 119, 8, 0},
};

constexpr ControlTemplate kOptionsControls[] = {
    {IDC_MD4, ControlKind::AutoRadioButton, "MD&4", 14, 20, 36, 10, kGroup | kTabStop},
    {IDC_MD5, ControlKind::AutoRadioButton, "MD&5", 56, 20, 36, 10, kTabStop},
    {IDC_SHA1, ControlKind::AutoRadioButton, "SHA-&1", 98, 20, 36, 10, kTabStop | kDisabled},
    {IDC_AUTOPASTE, ControlKind::AutoCheckBox, "Auto &Paste Challenge", 18, 54, 112, 10,
     kGroup | kTabStop},
    {IDC_CBVIEWER, ControlKind::AutoCheckBox, "&Monitor Clipboard for Challenge", 18, 68, 112, 10,
     kTabStop},
    {IDC_AUTOCOPY, ControlKind::AutoCheckBox, "Auto &Copy Response", 18, 82, 112, 10, kTabStop},
    {IDC_APPENDCRLF, ControlKind::AutoCheckBox, "Append C&R LF to Response", 18, 96, 112, 10,
     kTabStop},
    {IDC_AUTODECREMENT, ControlKind::AutoCheckBox, "Auto &Decrement Sequence", 18, 110, 112, 10,
     kTabStop},
    {IDC_AUTOCLEAR, ControlKind::AutoCheckBox, "Auto C&lear Password", 18, 124, 112, 10, kTabStop},
    {IDC_AUTOMINIMIZE, ControlKind::AutoCheckBox, "Mi&nimize After Compute", 18, 138, 112, 10,
     kTabStop},
    {IDC_SAVE, ControlKind::DefPushButton, "&Save", 8, 164, 40, 14, kGroup | kTabStop},
    {IDOK, ControlKind::PushButton, "&Apply", 55, 164, 40, 14, kGroup | kTabStop},
    {IDCANCEL, ControlKind::PushButton, "Cancel", 102, 164, 40, 14, kTabStop},
    {IDC_STATIC, ControlKind::GroupBox, "Default Algorithm", 6, 6, 136, 28, 0},
    {IDC_STATIC, ControlKind::GroupBox, "Preferences", 6, 40, 136, 114, 0},
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_MAIN, "Vennox", 20, 20, 156, 80, "MS Sans Serif", 8,
     kDlgVisible | kDlgCaption | kDlgSysMenu | kDlgMinimizeBox, kMainControls},
    {IDD_ABOUTBOX, "About Vennox", 0, 0, 217, 55, "MS Sans Serif", 8,
     kDlgPopup | kDlgCaption | kDlgSysMenu | kDlgModalFrame, kAboutControls},
    {IDD_OPTIONS, "Vennox Options", 10, 10, 151, 185, "MS Sans Serif", 8,
     kDlgPopup | kDlgCaption | kDlgSysMenu | kDlgModalFrame | kDlgVisible, kOptionsControls},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const auto& t : kTemplates)
        if (t.id == id)
            return &t;
    return nullptr;
}

const char* FindResourceString(int id) {
    return id == IDS_ABOUTBOX ? "&About Vennox..." : nullptr;
}
