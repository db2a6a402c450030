// IniProfile's own file handling: the text it reads and how it edits it, the
// integer rule, and the safety of its writes.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/IniProfile.h"
#include "tests/settings/TestFiles.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::vector<std::string> FolderEntries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class IniProfileTest : public testing::Test {
  protected:
    TempDir dir;
    fs::path file = dir / "Vennox.ini";
    IniProfile p{file};
};

TEST_F(IniProfileTest, ReadsTheTextOfExistingFiles) {
    struct Case {
        const char* what;
        std::string text;
        const char* section;
        const char* key;
        const char* expected; // null: the default
    };
    const std::string bom = "\xEF\xBB\xBF";
    const Case cases[] = {
        {"LF", "[Settings]\nAlgorithm=MD4\n", "Settings", "Algorithm", "MD4"},
        {"CR LF", "[Settings]\r\nAlgorithm=MD4\r\n", "Settings", "Algorithm", "MD4"},
        {"no final line end", "[Settings]\nAlgorithm=MD4", "Settings", "Algorithm", "MD4"},
        {"byte-order mark", bom + "[Settings]\nAlgorithm=MD4\n", "Settings", "Algorithm", "MD4"},
        {"blanks around names", "  [ Settings ]  \n\t Algorithm \t=MD4\n", "Settings", "Algorithm",
         "MD4"},
        {"value kept byte for byte", "[Defaults]\nChallenge= otp-md5 9 x \n", "Defaults",
         "Challenge", " otp-md5 9 x "},
        {"value holds =", "[Defaults]\nChallenge=a=b\n", "Defaults", "Challenge", "a=b"},
        {"empty value", "[Defaults]\nChallenge=\n", "Defaults", "Challenge", ""},
        {"text after ]", "[Defaults] ; last run\nChallenge=x\n", "Defaults", "Challenge", "x"},
        {"duplicate key: first wins", "[S]\nK=1\nK=2\n", "S", "K", "1"},
        {"duplicate section: first wins", "[S]\nK=1\n[S]\nK=2\nL=3\n", "S", "K", "1"},
        {"key only in a later duplicate", "[S]\nK=1\n[S]\nL=3\n", "S", "L", nullptr},
        {"comment ;", "[S]\n;K=1\n", "S", "K", nullptr},
        {"comment #", "[S]\n#K=1\n", "S", "K", nullptr},
        {"key before any section", "K=1\n[S]\n", "S", "K", nullptr},
        {"key of another section", "[T]\nK=1\n[S]\n", "S", "K", nullptr},
        {"header without ]", "[S\nK=1\n", "S", "K", nullptr},
        {"line without =", "[S]\nK\n", "S", "K", nullptr},
        {"NUL ends the value", std::string("[S]\nK=ab\0cd\n", 12), "S", "K", "ab"},
        {"lone CR ends the value", "[S]\nK=ab\rcd\n", "S", "K", "ab"},
        {"empty file", "", "S", "K", nullptr},
        {"only a byte-order mark", bom, "S", "K", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(file, c.text);
        EXPECT_EQ(p.GetProfileString(c.section, c.key, "(default)"),
                  c.expected ? c.expected : "(default)");
    }
}

// Values that are present but not plain numbers: blanks and a sign may lead,
// the leading digits count, no digit means the default, and numbers beyond
// the int range saturate.
TEST_F(IniProfileTest, IntegerRule) {
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"", 99},
        {" ", 99},
        {"abc", 99},
        {"-", 99},
        {"- 5", 99},
        {"x12", 99},
        {"12px", 12},
        {" \t42 ", 42},
        {"+7", 7},
        {"-0", 0},
        {"007", 7},
        {"0x10", 0},
        {"1.9", 1},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999999", INT_MAX},
        {"-99999999999999999999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        WriteBytes(file, std::string("[Location]\nLeft=") + c.value + "\n");
        EXPECT_EQ(p.GetProfileInt("Location", "Left", 99), c.expected);
    }
}

TEST_F(IniProfileTest, WriteEditsOnlyWhatItMust) {
    struct Case {
        const char* what;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        {"replace keeps comments, blank lines and other sections",
         "; Vennox\n\n[Location]\nLeft=1\n; keep me\nTop=2\n\n[Settings]\nAutoCopy=1\n", "Location",
         "Left", "-5",
         "; Vennox\n\n[Location]\nLeft=-5\n; keep me\nTop=2\n\n[Settings]\nAutoCopy=1\n"},
        {"replace keeps the file's spelling and blanks before the value",
         "[LOCATION]\n  left = 1\n", "Location", "Left", "7", "[LOCATION]\n  left =7\n"},
        {"CR LF file stays CR LF", "[Location]\r\nLeft=1\r\n", "Location", "Top", "2",
         "[Location]\r\nLeft=1\r\nTop=2\r\n"},
        {"CR LF of a replaced line kept", "[Location]\r\nLeft=1\r\nTop=2\r\n", "Location", "Left",
         "3", "[Location]\r\nLeft=3\r\nTop=2\r\n"},
        {"new key at the end of its section, before the blank line",
         "[Location]\nLeft=1\n\n[Settings]\nAutoCopy=1\n", "Location", "Top", "2",
         "[Location]\nLeft=1\nTop=2\n\n[Settings]\nAutoCopy=1\n"},
        {"new key after a trailing comment of its section", "[S]\nA=1\n; note\n\n[T]\n", "S", "B",
         "2", "[S]\nA=1\n; note\nB=2\n\n[T]\n"},
        {"new key in an empty last section without line end", "[S]", "S", "K", "v", "[S]\nK=v\n"},
        {"no final line end", "[S]\nA=1", "S", "B", "2", "[S]\nA=1\nB=2\n"},
        {"replace in the last line without line end", "[S]\nA=1", "S", "A", "2", "[S]\nA=2"},
        {"new section at the end after a blank line", "[S]\nA=1\n", "T", "K", "v",
         "[S]\nA=1\n\n[T]\nK=v\n"},
        {"new section after a file without line end", "[S]\nA=1", "T", "K", "v",
         "[S]\nA=1\n\n[T]\nK=v\n"},
        {"new section after a blank last line", "[S]\nA=1\n\n", "T", "K", "v",
         "[S]\nA=1\n\n[T]\nK=v\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[S]\r\nA=1\r\n", "S", "A", "2",
         "\xEF\xBB\xBF[S]\r\nA=2\r\n"},
        {"duplicate section: the first one is edited", "[S]\nA=1\n[S]\nA=9\n", "S", "A", "2",
         "[S]\nA=2\n[S]\nA=9\n"},
        {"duplicate key: the first one is edited", "[S]\nA=1\nA=9\n", "S", "A", "2",
         "[S]\nA=2\nA=9\n"},
        {"key before any section is not the section's key", "A=1\n[S]\n", "S", "A", "2",
         "A=1\n[S]\nA=2\n"},
        {"line break cut from the value", "[Defaults]\n", "Defaults", "Challenge",
         "otp-md5 9 x\n[Evil]\nk=v", "[Defaults]\nChallenge=otp-md5 9 x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(file, c.before);
        ASSERT_TRUE(p.WriteProfileString(c.section, c.key, c.value));
        EXPECT_EQ(ReadBytes(file), c.after);
    }
}

TEST_F(IniProfileTest, RefusedNamesLeaveTheFileAlone) {
    const std::string before = "[S]\nA=1\n";
    WriteBytes(file, before);
    EXPECT_FALSE(p.WriteProfileString("S]\n[Evil", "A", "1"));
    EXPECT_FALSE(p.WriteProfileString("S", "A=1\nB", "1"));
    EXPECT_FALSE(p.WriteProfileInt("S", "", 1));
    EXPECT_EQ(ReadBytes(file), before);
}

TEST_F(IniProfileTest, ReadsCreateNothing) {
    IniProfile nested(dir / "a" / "b" / "Vennox.ini");
    EXPECT_EQ(nested.GetProfileInt("Location", "Left", 20), 20);
    EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", ""), "");
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

TEST_F(IniProfileTest, FirstWriteCreatesFoldersAndFile) {
    const fs::path deep = dir / "a" / "b" / "Vennox.ini";
    IniProfile nested(deep);
    ASSERT_TRUE(nested.WriteProfileInt("Location", "Left", 3));
    EXPECT_EQ(ReadBytes(deep), "[Location]\nLeft=3\n");
}

// Every read goes to the file: a change by another program is seen at once.
TEST_F(IniProfileTest, NoCache) {
    IniProfile other(file);
    ASSERT_TRUE(p.WriteProfileInt("Location", "Left", 1));
    EXPECT_EQ(other.GetProfileInt("Location", "Left", 20), 1);
    ASSERT_TRUE(other.WriteProfileInt("Location", "Top", 2));
    ASSERT_TRUE(p.WriteProfileInt("Location", "Left", 3));
    EXPECT_EQ(ReadBytes(file), "[Location]\nLeft=3\nTop=2\n");
    WriteBytes(file, "[Location]\nLeft=4\n");
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), 4);
}

TEST_F(IniProfileTest, WritesLeaveNoStrayFiles) {
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(p.WriteProfileInt("Location", "Left", i));
    EXPECT_EQ(FolderEntries(dir.path()),
              (std::vector<std::string>{"Vennox.ini", "Vennox.ini.lock"}));
}

TEST_F(IniProfileTest, GarbageFileReadsAsDefaultsAndKeepsItsBytes) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
    WriteBytes(file, garbage);
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), 20);
    ASSERT_TRUE(p.WriteProfileInt("Location", "Left", -2));
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), -2);
    const std::string after = ReadBytes(file);
    EXPECT_EQ(after.substr(0, garbage.size()), garbage);
}

TEST_F(IniProfileTest, MegabyteLine) {
    const std::string longLine(1 << 20, 'q');
    WriteBytes(file, "[Junk]\n" + longLine + "\n[Location]\nLeft=-30\n");
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), -30);
    const std::string longValue(1 << 20, 'v');
    ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", longValue.c_str()));
    EXPECT_EQ(p.GetProfileString("Defaults", "Challenge", ""), longValue);
}

// A file too large to be a profile is neither read nor replaced.
TEST_F(IniProfileTest, OversizedFileIsLeftAlone) {
    const std::string big = "[Location]\nLeft=5\n" + std::string(kMaxIniProfileSize, '\n');
    WriteBytes(file, big);
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), 20);
    EXPECT_FALSE(p.WriteProfileInt("Location", "Left", 6));
    EXPECT_EQ(fs::file_size(file), big.size());
}

TEST_F(IniProfileTest, FolderInPlaceOfTheFile) {
    fs::create_directory(file);
    EXPECT_EQ(p.GetProfileInt("Location", "Left", 20), 20);
    EXPECT_FALSE(p.WriteProfileInt("Location", "Left", 1));
    EXPECT_TRUE(fs::is_directory(file));
}

TEST(IniProfilePath, FollowsXdgConfigHome) {
    struct Case {
        const char* xdg;
        const char* home;
        fs::path expected;
    };
    const Case cases[] = {
        {"/x/conf", "/home/u", fs::path("/x/conf") / "vennox" / "Vennox.ini"},
        {nullptr, "/home/u", fs::path("/home/u") / ".config" / "vennox" / "Vennox.ini"},
        {"", "/home/u", fs::path("/home/u") / ".config" / "vennox" / "Vennox.ini"},
        {"relative/conf", "/home/u", fs::path("/home/u") / ".config" / "vennox" / "Vennox.ini"},
    };
#ifdef _WIN32
    // Absolute there means with a drive.
    GTEST_SKIP() << "POSIX paths";
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xdg ? c.xdg : "(unset)");
        EXPECT_EQ(DefaultIniProfilePath(c.xdg, c.home), c.expected);
    }
}

#ifndef _WIN32

TEST(IniProfilePath, WithoutHomeUsesTheUserDatabase) {
    const fs::path path = DefaultIniProfilePath(nullptr, nullptr);
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "Vennox.ini");
    EXPECT_EQ(path.parent_path().filename(), "vennox");
}

// Runs body in a child process and returns its exit status.
template <class F> int InChild(F body) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

// A write that runs out of room leaves the old file whole and no temporary
// file behind. The file-size limit stands in for a full disk.
TEST_F(IniProfileTest, FailedWriteKeepsTheOldFile) {
    ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", "otp-md5 99 seed"));
    const std::string before = ReadBytes(file);
    const std::string huge(1 << 16, 'z');
    int rc = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 3;
        return p.WriteProfileString("Defaults", "Challenge", huge.c_str()) ? 1 : 0;
    });
    EXPECT_EQ(rc, 0) << "the write should have reported failure";
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(FolderEntries(dir.path()),
              (std::vector<std::string>{"Vennox.ini", "Vennox.ini.lock"}));
}

// Programs writing at once each keep all their keys; without the lock each
// would rewrite the file from a stale copy and drop the others' keys.
TEST_F(IniProfileTest, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 4;
    constexpr int kKeys = 30;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = fork();
        if (pid == 0) {
            IniProfile mine(file);
            const std::string section = "Writer" + std::to_string(w);
            bool ok = true;
            for (int k = 0; k < kKeys; ++k) {
                const std::string key = "Key" + std::to_string(k);
                ok = mine.WriteProfileInt(section.c_str(), key.c_str(), k) && ok;
                ok = mine.WriteProfileInt("Shared", "Last", w) && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < kWriters; ++w) {
        const std::string section = "Writer" + std::to_string(w);
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = "Key" + std::to_string(k);
            EXPECT_EQ(p.GetProfileInt(section.c_str(), key.c_str(), -1), k) << section << key;
        }
    }
    const int last = p.GetProfileInt("Shared", "Last", -1);
    EXPECT_TRUE(last >= 0 && last < kWriters);
}

// Writers killed mid-write lose nothing of the profile, and the temporary
// files they leave behind are cleared by the next writer.
TEST_F(IniProfileTest, KilledWritersLeaveAtMostOneTemporaryFile) {
    ASSERT_TRUE(p.WriteProfileString("Defaults", "Challenge", "otp-md5 99 seed"));
    // A user's own file beside the profile is never taken for one of ours.
    WriteBytes(dir / "Vennox.ini.backup", "mine");
    const std::string big(1 << 16, 'v'); // long enough to be caught mid-write
    int killedWhileWriting = 0;
    for (int round = 0; round < 100; ++round) {
        std::vector<pid_t> children;
        for (int w = 0; w < 4; ++w) {
            pid_t pid = fork();
            if (pid == 0) {
                IniProfile mine(file);
                const std::string key = "Writer" + std::to_string(w);
                for (int i = 0;; ++i)
                    mine.WriteProfileString("Big", key.c_str(), (big + std::to_string(i)).c_str());
            }
            children.push_back(pid);
        }
        usleep(static_cast<useconds_t>(500 + (round % 10) * 300));
        for (pid_t pid : children)
            kill(pid, SIGKILL);
        for (pid_t pid : children)
            waitpid(pid, nullptr, 0);
        int temporary = 0;
        for (const std::string& name : FolderEntries(dir.path()))
            temporary += name.rfind("Vennox.ini.tmp.", 0) == 0;
        killedWhileWriting += temporary;
        ASSERT_LE(temporary, 1) << "round " << round;
        ASSERT_EQ(p.GetProfileString("Defaults", "Challenge", ""), "otp-md5 99 seed")
            << "round " << round;
    }
    EXPECT_GT(killedWhileWriting, 0) << "no writer was ever caught mid-write";
    EXPECT_EQ(ReadBytes(dir / "Vennox.ini.backup"), "mine");
}

TEST_F(IniProfileTest, PermissionsAreKept) {
    ASSERT_TRUE(p.WriteProfileInt("Location", "Left", 1));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(p.WriteProfileInt("Location", "Left", 2));
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A profile kept elsewhere through a symbolic link stays linked.
TEST_F(IniProfileTest, WritesThroughASymbolicLink) {
    const fs::path real = dir / "real.ini";
    WriteBytes(real, "[Location]\nLeft=1\n");
    fs::create_symlink(real, file);
    ASSERT_TRUE(p.WriteProfileInt("Location", "Left", 2));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(ReadBytes(real), "[Location]\nLeft=2\n");
}

#endif

} // namespace
