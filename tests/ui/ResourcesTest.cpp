// The resources both programs rely on: the dialog table generated from
// Vennox.rc, the same dialogs as the Windows resource compiler built them
// into the exe, the manifest and the generated icon.
#include "tests/support/FileBytes.h"
#include "ui/res/DialogTemplates.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include "settings/WindowsApi.h"
#endif

namespace {

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
    const std::string manifest = ReadBytes(VENNOX_MANIFEST_FILE);
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

// Per-monitor aware where Windows offers it (v2 from Windows 10 1703, v1
// from 8.1), system aware before: the dialogs are laid out at the display's
// DPI instead of stretched as a bitmap.
TEST(ManifestTest, DeclaresPerMonitorV2DpiAwarenessWithSystemAwareFallback) {
    const std::string manifest = ReadBytes(VENNOX_MANIFEST_FILE);
    const std::size_t application =
        manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
    const std::size_t settings = manifest.find("<windowsSettings>", application);
    ASSERT_NE(application, std::string::npos);
    ASSERT_NE(settings, std::string::npos);
    const std::string declarations[] = {
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
        "true/pm</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
        "PerMonitorV2, PerMonitor</dpiAwareness>"};
    for (const std::string& declaration : declarations) {
        const std::size_t at = manifest.find(declaration, settings);
        EXPECT_NE(at, std::string::npos) << declaration;
        EXPECT_LT(at, manifest.find("</windowsSettings>", settings)) << declaration;
    }
}

#ifdef _WIN32

// This test program carries the same manifest: the system read the
// declaration as meant. (Wine 8 knows no v2, and treats every program as
// per-monitor aware.)
TEST(ManifestTest, MakesTheProgramPerMonitorAware) {
    const DPI_AWARENESS_CONTEXT context = GetThreadDpiAwarenessContext();
    if (IsValidDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
        EXPECT_TRUE(
            AreDpiAwarenessContextsEqual(context, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
    else
        EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(context), DPI_AWARENESS_PER_MONITOR_AWARE);
}

#endif

// ---- The help page ----

// The topics that help asks for by context number.
TEST(HelpPageTest, HasATopicForEachContextNumber) {
    const std::string page = ReadBytes(VENNOX_HELP_PAGE);
    ASSERT_FALSE(page.empty()) << VENNOX_HELP_PAGE;
    for (const int context : {1, 2, 3})
        EXPECT_NE(page.find("id=\"context-" + std::to_string(context) + "\""), std::string::npos)
            << context;
}

#ifdef _WIN32

// Vennox.exe carries the page that the Linux program shows, as it is.
TEST(HelpPageTest, TheExeCarriesThePage) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_HELPPAGE), RT_HTML);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    EXPECT_EQ(std::string(bytes, SizeofResource(nullptr, found)), ReadBytes(VENNOX_HELP_PAGE));
}

#endif

// ---- The generated icon ----

std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b.at(at + i));
    return v;
}

// One image of the .ico, as its directory entry and its bitmap describe it.
struct IcoImage {
    unsigned size = 0; // width and height
    std::size_t offset = 0;
    std::uint32_t bytes = 0;
};

std::vector<IcoImage> IcoImages(const std::string& ico) {
    std::vector<IcoImage> images;
    for (std::uint32_t n = 0; n < Le(ico, 4, 2); ++n) {
        const std::size_t entry = 6 + 16 * n;
        images.push_back({Le(ico, entry, 1), Le(ico, entry + 12, 4), Le(ico, entry + 8, 4)});
    }
    return images;
}

// The colour index of pixel x, y (from the top) of a 4-bit image, or -1
// where the mask makes it transparent.
int Pixel(const std::string& ico, const IcoImage& image, unsigned x, unsigned y) {
    const std::size_t xorRow = (image.size / 2 + 3) / 4 * 4;
    const std::size_t andRow = (image.size / 8 + 3) / 4 * 4;
    const std::size_t colour = image.offset + 40 + 16 * 4;
    const std::size_t mask = colour + image.size * xorRow;
    const unsigned row = image.size - 1 - y; // stored bottom-up
    if ((Le(ico, mask + row * andRow + x / 8, 1) >> (7 - x % 8)) & 1)
        return -1;
    return static_cast<int>(Le(ico, colour + row * xorRow + x / 2, 1) >> (x % 2 ? 0 : 4) & 0xF);
}

// 32 and 16 pixels drawn from the sources; 64 and 48 for displays at 200 %
// and 150 %, where the standard icon sizes are 64 and 48 and the small ones
// 32 and 24.
TEST(IconTest, HoldsImagesOf64_48_32And16PixelsOf16Colours) {
    const std::string ico = ReadBytes(VENNOX_ICO_FILE);
    ASSERT_GE(ico.size(), 6u) << VENNOX_ICO_FILE;
    EXPECT_EQ(Le(ico, 0, 2), 0u);
    EXPECT_EQ(Le(ico, 2, 2), 1u); // an icon, not a cursor
    ASSERT_EQ(Le(ico, 4, 2), 4u);

    const int sizes[] = {64, 48, 32, 16};
    for (int n = 0; n < 4; ++n) {
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

// The larger images are the drawn ones scaled up, each pixel a square, so
// the icon looks the same at every scale and stays sharp.
TEST(IconTest, LargerImagesAreTheDrawnOnesScaledUp) {
    const std::string ico = ReadBytes(VENNOX_ICO_FILE);
    ASSERT_GE(ico.size(), 6u) << VENNOX_ICO_FILE;
    const std::vector<IcoImage> images = IcoImages(ico);
    auto find = [&](unsigned size) -> const IcoImage* {
        for (const IcoImage& image : images)
            if (image.size == size)
                return &image;
        return nullptr;
    };
    const struct { unsigned size, source; } scaled[] = {{64, 32}, {48, 16}};
    for (const auto& s : scaled) {
        SCOPED_TRACE(std::to_string(s.size) + " px from " + std::to_string(s.source));
        const IcoImage* big = find(s.size);
        const IcoImage* source = find(s.source);
        ASSERT_TRUE(big && source);
        const unsigned factor = s.size / s.source;
        int mismatches = 0;
        for (unsigned y = 0; y < s.size; ++y)
            for (unsigned x = 0; x < s.size; ++x)
                if (Pixel(ico, *big, x, y) != Pixel(ico, *source, x / factor, y / factor))
                    ++mismatches;
        EXPECT_EQ(mismatches, 0);
    }
}

#ifdef _WIN32

// What the system takes from the exe for the icon sizes of 100, 150 and
// 200 % (the small icon at 150 %, 24 pixels, is shrunk from 32): an image of
// exactly that size, not another one stretched.
TEST(IconTest, TheExeHasAnImageForEachStandardSize) {
    HRSRC group = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<PBYTE>(LockResource(LoadResource(nullptr, group)));
    for (const int size : {16, 32, 48, 64}) {
        SCOPED_TRACE(std::to_string(size) + " px");
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC image = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_ICON);
        ASSERT_NE(image, nullptr);
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, image)));
        EXPECT_EQ(header->biWidth, size);
    }
}

#endif

} // namespace
