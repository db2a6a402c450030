// The resources both programs rely on: the dialog table generated from
// Vennox.rc, the same dialogs as the Windows resource compiler built them
// into the exe, the manifest and the generated icon.
#include "ui/res/DialogTemplates.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "settings/WindowsApi.h"
#endif

namespace {

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DialogTable, HoldsTheThreeDialogsAndTheOneString) {
    std::vector<int> ids;
    for (const DialogTemplate& t : std::span(kDialogTemplates, kDialogTemplateCount))
        ids.push_back(t.id);
    EXPECT_EQ(ids, (std::vector<int>{IDD_ABOUTBOX, IDD_MAIN, IDD_OPTIONS}));
    ASSERT_EQ(kResourceStringCount, 1u);
    EXPECT_STREQ(FindResourceString(IDS_ABOUTBOX), "&About Vennox...");
    EXPECT_EQ(FindResourceString(IDD_MAIN), nullptr);
}

#ifdef _WIN32

// The dialog templates that the resource compiler wrote into this exe, read
// from their binary form, agree with the table that the Qt program uses.
class BinaryTemplate {
  public:
    explicit BinaryTemplate(const void* data) : p_(static_cast<const std::uint8_t*>(data)) {}
    std::uint32_t Dword() {
        const std::uint32_t v = Word() | static_cast<std::uint32_t>(Word()) << 16;
        return v;
    }
    std::uint16_t Word() {
        const std::uint16_t v = static_cast<std::uint16_t>(p_[at_] | p_[at_ + 1] << 8);
        at_ += 2;
        return v;
    }
    short Short() { return static_cast<short>(Word()); }
    // A string or an ordinal ("#n"); a class ordinal is returned as "#n" too.
    std::string SzOrOrd() {
        std::uint16_t c = Word();
        if (c == 0xFFFF)
            return std::string("#").append(std::to_string(Word()));
        std::string s;
        for (; c != 0; c = Word())
            s += c < 0x80 ? static_cast<char>(c) : '?';
        return s;
    }
    void AlignDword() { at_ = (at_ + 3) & ~std::size_t{3}; }

  private:
    const std::uint8_t* p_;
    std::size_t at_ = 0;
};

// A predefined window class is written as its atom or as its name.
std::string ClassName(const std::string& windowClass) {
    if (windowClass == "#128")
        return "Button";
    if (windowClass == "#129")
        return "Edit";
    if (windowClass == "#130")
        return "Static";
    std::string name;
    for (char c : windowClass)
        name += static_cast<char>(name.empty() ? std::toupper(c) : std::tolower(c));
    return name;
}

std::string KindOf(const std::string& windowClass, std::uint32_t style) {
    if (windowClass == "Edit")
        return "Edit";
    if (windowClass == "Static")
        return (style & 0x1F) == SS_ICON ? "Icon" : (style & 0x1F) == SS_LEFT ? "Text" : "?";
    if (windowClass != "Button")
        return "?";
    switch (style & 0xF) {
    case BS_PUSHBUTTON:
        return "PushButton";
    case BS_DEFPUSHBUTTON:
        return "DefPushButton";
    case BS_AUTOCHECKBOX:
        return "AutoCheckBox";
    case BS_GROUPBOX:
        return "GroupBox";
    case BS_AUTORADIOBUTTON:
        return "AutoRadioButton";
    }
    return "?";
}

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Edit:
        return "Edit";
    case ControlKind::PushButton:
        return "PushButton";
    case ControlKind::DefPushButton:
        return "DefPushButton";
    case ControlKind::AutoRadioButton:
        return "AutoRadioButton";
    case ControlKind::AutoCheckBox:
        return "AutoCheckBox";
    case ControlKind::GroupBox:
        return "GroupBox";
    case ControlKind::Text:
        return "Text";
    case ControlKind::Icon:
        return "Icon";
    }
    return "?";
}

TEST(DialogTable, AgreesWithTheDialogsInTheExe) {
    const struct {
        unsigned bit;
        std::uint32_t style;
    } controlBits[] = {{kTabStop, WS_TABSTOP},         {kGroup, WS_GROUP},
                       {kDisabled, WS_DISABLED},       {kBorder, WS_BORDER},
                       {kAutoHScroll, ES_AUTOHSCROLL}, {kPassword, ES_PASSWORD},
                       {kReadOnly, ES_READONLY},       {kLowercase, ES_LOWERCASE},
                       {kNoPrefix, SS_NOPREFIX}};
    const struct {
        unsigned bit;
        std::uint32_t style;
    } dialogBits[] = {{kDlgPopup, WS_POPUP},
                      {kDlgCaption, WS_CAPTION},
                      {kDlgSysMenu, WS_SYSMENU},
                      {kDlgModalFrame, DS_MODALFRAME},
                      {kDlgMinimizeBox, WS_MINIMIZEBOX},
                      {kDlgVisible, WS_VISIBLE}};

    for (const DialogTemplate& t : std::span(kDialogTemplates, kDialogTemplateCount)) {
        SCOPED_TRACE(t.caption);
        HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(t.id), MAKEINTRESOURCEA(5));
        ASSERT_NE(found, nullptr) << "the exe carries no dialog " << t.id;
        BinaryTemplate b(LockResource(LoadResource(nullptr, found)));

        const std::uint32_t style = b.Dword();
        b.Dword(); // extended style
        const std::uint16_t count = b.Word();
        const short x = b.Short(), y = b.Short(), cx = b.Short(), cy = b.Short();
        EXPECT_EQ((std::vector<int>{x, y, cx, cy}), (std::vector<int>{t.x, t.y, t.cx, t.cy}));
        for (const auto& d : dialogBits)
            EXPECT_EQ((style & d.style) == d.style, (t.style & d.bit) != 0) << d.style;
        ASSERT_NE(style & DS_SETFONT, 0u);
        EXPECT_EQ(b.SzOrOrd(), ""); // no menu
        EXPECT_EQ(b.SzOrOrd(), ""); // the dialog class
        EXPECT_EQ(b.SzOrOrd(), t.caption);
        EXPECT_EQ(b.Word(), t.pointSize);
        EXPECT_EQ(b.SzOrOrd(), t.font);

        ASSERT_EQ(count, t.controls.size());
        for (const ControlTemplate& c : t.controls) {
            SCOPED_TRACE(c.text);
            b.AlignDword();
            const std::uint32_t itemStyle = b.Dword();
            b.Dword();
            const short ix = b.Short(), iy = b.Short(), icx = b.Short(), icy = b.Short();
            const std::uint16_t id = b.Word();
            const std::string windowClass = ClassName(b.SzOrOrd());
            const std::string text = b.SzOrOrd();
            const std::uint16_t extra = b.Word();
            for (std::uint16_t i = 0; i < extra; i += 2)
                b.Word();
            EXPECT_EQ(id, static_cast<std::uint16_t>(c.id));
            EXPECT_EQ((std::vector<int>{ix, iy, icx, icy}),
                      (std::vector<int>{c.x, c.y, c.cx, c.cy}));
            EXPECT_EQ(text, c.text);
            EXPECT_STREQ(KindOf(windowClass, itemStyle).c_str(), KindName(c.kind));
            for (const auto& bit : controlBits) {
                // The edit and static styles share their values: each counts
                // only for its own window class.
                const bool edit = bit.style == ES_AUTOHSCROLL || bit.style == ES_PASSWORD ||
                                  bit.style == ES_READONLY || bit.style == ES_LOWERCASE;
                if ((edit && windowClass != "Edit") ||
                    (bit.style == SS_NOPREFIX && windowClass != "Static"))
                    continue;
                EXPECT_EQ((itemStyle & bit.style) != 0, (c.style & bit.bit) != 0) << bit.style;
            }
        }
    }
}

#endif

// A requested execution level would switch off the file virtualisation that
// lets a standard user keep the profile in the Windows folder.
TEST(ManifestTest, SelectsCommonControlsAndRequestsNoExecutionLevel) {
    const std::string manifest = ReadFile(VENNOX_MANIFEST_FILE);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
    EXPECT_EQ(manifest.find("trustInfo"), std::string::npos);
    // A 64-bit program that asks for the x86 common controls does not start.
    const std::string processor = sizeof(void*) == 8 ? "\"amd64\"" : "\"x86\"";
    EXPECT_NE(manifest.find("processorArchitecture=" + processor), std::string::npos);
    EXPECT_EQ(manifest.find("processorArchitecture=\"x86\"") != std::string::npos,
              sizeof(void*) == 4);
}

// ---- The generated icon ----

std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b.at(at + i));
    return v;
}

TEST(IconTest, HoldsA32AndA16PixelImageOf16Colours) {
    const std::string ico = ReadFile(VENNOX_ICO_FILE);
    ASSERT_GE(ico.size(), 6u) << VENNOX_ICO_FILE;
    EXPECT_EQ(Le(ico, 0, 2), 0u);
    EXPECT_EQ(Le(ico, 2, 2), 1u); // an icon, not a cursor
    ASSERT_EQ(Le(ico, 4, 2), 2u);

    const int sizes[] = {32, 16};
    for (int n = 0; n < 2; ++n) {
        const int size = sizes[n];
        SCOPED_TRACE(std::to_string(size) + " px");
        const std::size_t entry = 6 + 16 * n;
        EXPECT_EQ(Le(ico, entry, 1), static_cast<unsigned>(size));
        EXPECT_EQ(Le(ico, entry + 1, 1), static_cast<unsigned>(size));
        EXPECT_EQ(Le(ico, entry + 2, 1), 16u);
        EXPECT_EQ(Le(ico, entry + 6, 2), 4u);
        const std::uint32_t bytes = Le(ico, entry + 8, 4);
        const std::uint32_t offset = Le(ico, entry + 12, 4);
        ASSERT_LE(std::size_t{offset} + bytes, ico.size());

        // BITMAPINFOHEADER: height counts the colour image and the mask.
        EXPECT_EQ(Le(ico, offset, 4), 40u);
        EXPECT_EQ(Le(ico, offset + 4, 4), static_cast<unsigned>(size));
        EXPECT_EQ(Le(ico, offset + 8, 4), static_cast<unsigned>(2 * size));
        EXPECT_EQ(Le(ico, offset + 14, 2), 4u);
        EXPECT_EQ(Le(ico, offset + 16, 4), 0u); // uncompressed
        const std::size_t xorRow = (size / 2 + 3) / 4 * 4;
        const std::size_t andRow = (size / 8 + 3) / 4 * 4;
        EXPECT_EQ(bytes, 40 + 16 * 4 + size * (xorRow + andRow));

        // The standard palette: black first, white last.
        const std::size_t palette = offset + 40;
        EXPECT_EQ(Le(ico, palette, 4), 0x000000u);
        EXPECT_EQ(Le(ico, palette + 15 * 4, 4), 0xFFFFFFu);

        // Some pixels show, some are transparent, and transparent ones are
        // black in the colour image so they vanish on any background.
        const std::size_t colour = palette + 64;
        const std::size_t mask = colour + size * xorRow;
        int transparent = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const bool clear = (Le(ico, mask + y * andRow + x / 8, 1) >> (7 - x % 8)) & 1;
                const unsigned pixel = Le(ico, colour + y * xorRow + x / 2, 1) >> (x % 2 ? 0 : 4);
                if (clear) {
                    ++transparent;
                    EXPECT_EQ(pixel & 0xF, 0u) << x << "," << y;
                }
            }
        EXPECT_GT(transparent, 0);
        EXPECT_LT(transparent, size * size);
    }
}

} // namespace
