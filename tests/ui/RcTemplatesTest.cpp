// Holds Vennox.rc and the template table of DialogTemplates.cpp to each
// other, so that the Windows and the Qt program show the same dialogs, and
// checks the other resources that both programs rely on.
#include "ui/DialogTemplates.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// ---- A small reader of resource scripts ----

struct Token {
    enum Kind { Word, Number, String, Punct } kind;
    std::string text;
};

std::vector<Token> Tokenize(const std::string& line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
            break;
        } else if (c == '"') {
            std::string s;
            ++i;
            for (; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        s += '"'; // "" is a quote inside a string
                        ++i;
                        continue;
                    }
                    break;
                }
                s += line[i];
            }
            ++i;
            tokens.push_back({Token::String, s});
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '-' && i + 1 < line.size() &&
                    std::isdigit(static_cast<unsigned char>(line[i + 1])))) {
            std::size_t j = i + 1;
            while (j < line.size() && std::isalnum(static_cast<unsigned char>(line[j])))
                ++j;
            tokens.push_back({Token::Number, line.substr(i, j - i)});
            i = j;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t j = i + 1;
            while (j < line.size() &&
                   (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_'))
                ++j;
            tokens.push_back({Token::Word, line.substr(i, j - i)});
            i = j;
        } else {
            tokens.push_back({Token::Punct, std::string(1, c)});
            ++i;
        }
    }
    return tokens;
}

// Values of the #defines of resource.h (the windows.h ids fall back there).
std::map<std::string, int> ReadDefines(const std::string& text) {
    std::map<std::string, int> defines;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        if (!(words >> directive >> name >> value) || directive != "#define")
            continue;
        std::string digits;
        for (char c : value)
            if (c != '(' && c != ')')
                digits += c;
        defines[name] = static_cast<int>(std::stol(digits, nullptr, 0));
    }
    return defines;
}

// Arguments of a statement, split at top-level commas; each argument is a
// list of tokens (a style expression has several).
using Argument = std::vector<Token>;

std::vector<Argument> SplitArguments(const std::vector<Token>& tokens, std::size_t from) {
    std::vector<Argument> args(1);
    for (std::size_t i = from; i < tokens.size(); ++i) {
        if (tokens[i].kind == Token::Punct && tokens[i].text == ",")
            args.emplace_back();
        else
            args.back().push_back(tokens[i]);
    }
    return args;
}

struct RcControl {
    std::string text;
    bool textIsNumber = false;
    int id = 0;
    std::string windowClass;
    std::vector<std::string> styles; // names or'ed together
    std::array<int, 4> rect{};
};

struct RcDialog {
    int id = 0;
    std::string keyword;
    std::array<int, 4> rect{};
    std::vector<std::string> styles;
    std::string caption;
    int pointSize = 0;
    std::string font;
    std::vector<RcControl> controls;
};

struct RcFile {
    std::vector<RcDialog> dialogs;
    std::map<int, std::string> strings;
    std::map<std::string, std::string> versionStrings;
    std::vector<std::string> problems; // lines that could not be read
};

class RcReader {
  public:
    explicit RcReader(std::map<std::string, int> defines) : m_defines(std::move(defines)) {}

    RcFile Read(const std::string& text) {
        RcFile rc;
        std::istringstream in(text);
        std::string line;
        enum { Top, DialogHead, DialogBody, Strings, Other } state = Top;
        int depth = 0;
        while (std::getline(in, line)) {
            const std::vector<Token> t = Tokenize(line);
            if (t.empty() || t[0].text == "#")
                continue;
            const std::string& first = t[0].text;
            switch (state) {
            case Top:
                if (t.size() >= 2 && (t[1].text == "DIALOG" || t[1].text == "DIALOGEX")) {
                    RcDialog d;
                    d.id = Value(t[0], rc);
                    d.keyword = t[1].text;
                    const auto args = SplitArguments(t, 2);
                    for (std::size_t i = 0; i < 4 && i < args.size(); ++i)
                        d.rect[i] = Number(args[i], rc, line);
                    rc.dialogs.push_back(d);
                    state = DialogHead;
                } else if (first == "STRINGTABLE") {
                    state = Strings;
                } else if (first == "BEGIN") {
                    state = Other; // the version block
                    depth = 1;
                }
                break;
            case DialogHead: {
                RcDialog& d = rc.dialogs.back();
                if (first == "STYLE") {
                    d.styles = Names(SplitArguments(t, 1).front(), rc, line);
                } else if (first == "CAPTION" && t.size() == 2) {
                    d.caption = t[1].text;
                } else if (first == "FONT") {
                    const auto args = SplitArguments(t, 1);
                    d.pointSize = Number(args.at(0), rc, line);
                    d.font = args.at(1).at(0).text;
                } else if (first == "BEGIN") {
                    state = DialogBody;
                } else {
                    rc.problems.push_back(line);
                }
                break;
            }
            case DialogBody:
                if (first == "END") {
                    state = Top;
                } else if (first == "CONTROL") {
                    rc.dialogs.back().controls.push_back(Control(t, rc, line));
                } else {
                    // Other statements imply styles of their own; the script
                    // writes every control out as CONTROL.
                    rc.problems.push_back(line);
                }
                break;
            case Strings:
                if (first == "END")
                    state = Top;
                else if (first != "BEGIN" && t.size() == 2)
                    rc.strings[Value(t[0], rc)] = t[1].text;
                break;
            case Other:
                if (first == "BEGIN")
                    ++depth;
                else if (first == "END" && --depth == 0)
                    state = Top;
                else if (first == "VALUE" && t.size() >= 4 && t[3].kind == Token::String)
                    rc.versionStrings[t[1].text] = t[3].text;
                break;
            }
        }
        return rc;
    }

  private:
    int Value(const Token& token, RcFile& rc) {
        if (token.kind == Token::Number)
            return static_cast<int>(std::stol(token.text, nullptr, 0));
        const auto it = m_defines.find(token.text);
        if (it == m_defines.end()) {
            rc.problems.push_back("unknown name " + token.text);
            return 0;
        }
        return it->second;
    }

    int Number(const Argument& arg, RcFile& rc, const std::string& line) {
        if (arg.size() != 1) {
            rc.problems.push_back(line);
            return 0;
        }
        return Value(arg[0], rc);
    }

    std::vector<std::string> Names(const Argument& arg, RcFile& rc, const std::string& line) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < arg.size(); ++i) {
            if (i % 2 == 1) {
                if (arg[i].text != "|")
                    rc.problems.push_back(line);
            } else if (arg[i].kind != Token::Word || arg[i].text == "NOT") {
                rc.problems.push_back(line); // plain or negated names only
            } else {
                names.push_back(arg[i].text);
            }
        }
        return names;
    }

    RcControl Control(const std::vector<Token>& t, RcFile& rc, const std::string& line) {
        // CONTROL text, id, class, style, x, y, cx, cy
        const auto args = SplitArguments(t, 1);
        RcControl c;
        if (args.size() != 8 || args[0].size() != 1 || args[2].size() != 1) {
            rc.problems.push_back(line);
            return c;
        }
        if (args[0][0].kind == Token::String) {
            c.text = args[0][0].text;
        } else {
            c.text = "#" + std::to_string(Value(args[0][0], rc));
            c.textIsNumber = true;
        }
        c.id = Number(args[1], rc, line);
        c.windowClass = args[2][0].text;
        c.styles = Names(args[3], rc, line);
        for (std::size_t i = 0; i < 4; ++i)
            c.rect[i] = Number(args[4 + i], rc, line);
        return c;
    }

    std::map<std::string, int> m_defines;
};

// ---- From window styles to the template table's terms ----

struct ControlMeaning {
    std::optional<ControlKind> kind;
    unsigned style = 0;
    std::vector<std::string> unknown;
};

ControlMeaning Meaning(const RcControl& c) {
    static const std::map<std::string, unsigned> common = {
        {"WS_TABSTOP", kTabStop},
        {"WS_GROUP", kGroup},
        {"WS_DISABLED", kDisabled},
        {"WS_BORDER", kBorder},
        {"ES_LEFT", 0},
        {"ES_AUTOHSCROLL", kAutoHScroll},
        {"ES_PASSWORD", kPassword},
        {"ES_READONLY", kReadOnly},
        {"ES_LOWERCASE", kLowercase},
        {"SS_NOPREFIX", kNoPrefix},
    };
    static const std::map<std::string, ControlKind> buttonKinds = {
        {"BS_PUSHBUTTON", ControlKind::PushButton},
        {"BS_DEFPUSHBUTTON", ControlKind::DefPushButton},
        {"BS_AUTORADIOBUTTON", ControlKind::AutoRadioButton},
        {"BS_AUTOCHECKBOX", ControlKind::AutoCheckBox},
        {"BS_GROUPBOX", ControlKind::GroupBox},
    };
    static const std::map<std::string, ControlKind> staticKinds = {
        {"SS_LEFT", ControlKind::Text},
        {"SS_ICON", ControlKind::Icon},
    };

    ControlMeaning m;
    int kinds = 0;
    if (c.windowClass == "Edit") {
        m.kind = ControlKind::Edit;
        ++kinds;
    }
    for (const std::string& name : c.styles) {
        const auto& kindTable = c.windowClass == "Button" ? buttonKinds : staticKinds;
        if (auto k = kindTable.find(name); c.windowClass != "Edit" && k != kindTable.end()) {
            m.kind = k->second;
            ++kinds;
        } else if (auto s = common.find(name); s != common.end()) {
            m.style |= s->second;
        } else {
            m.unknown.push_back(name);
        }
    }
    if (kinds != 1)
        m.kind.reset(); // no kind or more than one: nothing to compare
    return m;
}

unsigned DialogStyleBits(const std::vector<std::string>& names, std::vector<std::string>& unknown,
                         bool& setFont) {
    static const std::map<std::string, unsigned> bits = {
        {"WS_POPUP", kDlgPopup},
        {"WS_CAPTION", kDlgCaption},
        {"WS_SYSMENU", kDlgSysMenu},
        {"DS_MODALFRAME", kDlgModalFrame},
        {"WS_MINIMIZEBOX", kDlgMinimizeBox},
        {"WS_VISIBLE", kDlgVisible},
    };
    unsigned style = 0;
    setFont = false;
    for (const std::string& name : names) {
        if (name == "DS_SETFONT")
            setFont = true;
        else if (auto it = bits.find(name); it != bits.end())
            style |= it->second;
        else
            unknown.push_back(name);
    }
    return style;
}

const char* KindName(ControlKind k) {
    switch (k) {
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

class RcFileTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const std::string rcText = ReadFile(VENNOX_RC_FILE);
        const std::string resourceH = ReadFile(VENNOX_RESOURCE_H);
        ASSERT_FALSE(rcText.empty()) << VENNOX_RC_FILE;
        ASSERT_FALSE(resourceH.empty()) << VENNOX_RESOURCE_H;
        s_rc = new RcFile(RcReader(ReadDefines(resourceH)).Read(rcText));
    }
    static void TearDownTestSuite() {
        delete s_rc;
        s_rc = nullptr;
    }
    static const RcDialog* Dialog(int id) {
        for (const RcDialog& d : s_rc->dialogs)
            if (d.id == id)
                return &d;
        return nullptr;
    }
    static inline RcFile* s_rc = nullptr;
};

TEST_F(RcFileTest, EveryLineOfTheScriptIsUnderstood) {
    for (const std::string& problem : s_rc->problems)
        ADD_FAILURE() << "cannot read: " << problem;
}

TEST_F(RcFileTest, HoldsExactlyTheThreeDialogs) {
    std::vector<int> ids;
    for (const RcDialog& d : s_rc->dialogs)
        ids.push_back(d.id);
    EXPECT_EQ(ids, (std::vector<int>{IDD_ABOUTBOX, IDD_MAIN, IDD_OPTIONS}));
}

TEST_F(RcFileTest, DialogsMatchTheTemplateTable) {
    for (int id : {IDD_MAIN, IDD_ABOUTBOX, IDD_OPTIONS}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        const DialogTemplate* table = FindDialogTemplate(id);
        const RcDialog* rc = Dialog(id);
        ASSERT_NE(table, nullptr);
        ASSERT_NE(rc, nullptr);

        EXPECT_EQ(rc->caption, table->caption);
        EXPECT_EQ(rc->rect, (std::array<int, 4>{table->x, table->y, table->cx, table->cy}));
        EXPECT_EQ(rc->font, table->font);
        EXPECT_EQ(rc->pointSize, table->pointSize);
        std::vector<std::string> unknown;
        bool setFont = false;
        EXPECT_EQ(DialogStyleBits(rc->styles, unknown, setFont), table->style);
        EXPECT_TRUE(setFont) << "the FONT line needs DS_SETFONT";
        EXPECT_TRUE(unknown.empty()) << "style not in the table's terms: " << unknown.front();

        ASSERT_EQ(rc->controls.size(), table->controls.size());
        for (std::size_t i = 0; i < rc->controls.size(); ++i) {
            const RcControl& c = rc->controls[i];
            const ControlTemplate& t = table->controls[i];
            SCOPED_TRACE("control " + std::to_string(i + 1) + " '" + t.text + "'");
            const ControlMeaning m = Meaning(c);
            EXPECT_EQ(c.id, t.id);
            EXPECT_EQ(c.text, t.text);
            EXPECT_EQ(c.textIsNumber, t.kind == ControlKind::Icon);
            EXPECT_EQ(c.rect, (std::array<int, 4>{t.x, t.y, t.cx, t.cy}));
            ASSERT_TRUE(m.kind.has_value()) << "no single kind in " << c.windowClass;
            EXPECT_STREQ(KindName(*m.kind), KindName(t.kind));
            EXPECT_EQ(m.style, t.style);
            for (const std::string& name : m.unknown)
                ADD_FAILURE() << "style not in the table's terms: " << name;
        }
    }
}

TEST_F(RcFileTest, AboutEntryStringIsTheOnlyString) {
    EXPECT_EQ(s_rc->strings,
              (std::map<int, std::string>{{IDS_ABOUTBOX, FindResourceString(IDS_ABOUTBOX)}}));
}

// The version block names the same maker as the About box.
TEST_F(RcFileTest, VersionBlockAgreesWithTheAboutBox) {
    const DialogTemplate* about = FindDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    std::vector<std::string> aboutTexts;
    for (const ControlTemplate& c : about->controls)
        aboutTexts.emplace_back(c.text);
    auto shownInAbout = [&](const std::string& s) {
        return std::find(aboutTexts.begin(), aboutTexts.end(), s) != aboutTexts.end();
    };
    const auto& v = s_rc->versionStrings;
    ASSERT_TRUE(v.count("CompanyName") && v.count("LegalCopyright"));
    EXPECT_TRUE(shownInAbout(v.at("CompanyName"))) << v.at("CompanyName");
    EXPECT_TRUE(shownInAbout(v.at("LegalCopyright"))) << v.at("LegalCopyright");
    EXPECT_EQ(v.at("InternalName"), "Vennox");
    EXPECT_EQ(v.at("OriginalFilename"), "Vennox.exe");
}

// A requested execution level would switch off the file virtualisation that
// lets a standard user keep the profile in the Windows folder.
TEST(ManifestTest, SelectsCommonControlsAndRequestsNoExecutionLevel) {
    const std::string manifest = ReadFile(VENNOX_MANIFEST_FILE);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
    EXPECT_EQ(manifest.find("trustInfo"), std::string::npos);
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
