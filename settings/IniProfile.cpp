#include "settings/IniProfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "settings/IniText.h"

#ifdef _WIN32
#include "settings/WindowsApi.h"
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const char* OrEmpty(const char* s) {
    return s ? s : "";
}

// The whole file; empty when it does not exist; nothing when it exists but
// cannot be read (or is too large), so that a write never replaces it.
std::optional<std::string> ReadWholeFile(const fs::path& path) {
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (f == nullptr) {
        if (errno == ENOENT)
            return std::string();
        return std::nullopt;
    }
    std::string text;
    char buf[8192];
    bool ok = true;
    for (;;) {
        std::size_t n = std::fread(buf, 1, sizeof buf, f);
        text.append(buf, n);
        if (text.size() > kMaxIniProfileSize) {
            ok = false;
            break;
        }
        if (n < sizeof buf) {
            ok = !std::ferror(f);
            break;
        }
    }
    std::fclose(f);
    if (!ok)
        return std::nullopt;
    return text;
}

// Temporary files are named after the profile with this prefix, so that one
// left by a writer that died can be told apart from the user's own files.
std::string TempPrefix(const fs::path& target) {
    return target.string() + ".tmp.";
}

// Called with the lock held: no live writer has a temporary file then, so
// any that remain belong to writers that were killed mid-write.
void RemoveStaleTempFiles(const fs::path& target) {
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = TempPrefix(target.filename());
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code entryEc;
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            it->symlink_status(entryEc).type() == fs::file_type::regular)
            fs::remove(it->path(), entryEc);
    }
}

#ifdef _WIN32

class FileLock {
  public:
    explicit FileLock(const fs::path& path) {
        handle_ = CreateFileA(path.string().c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            return;
        OVERLAPPED at{};
        locked_ = LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
    }
    ~FileLock() {
        if (locked_) {
            OVERLAPPED at{};
            UnlockFileEx(handle_, 0, 1, 0, &at);
        }
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return locked_; }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool locked_ = false;
};

// Writes the text to a new file beside the target, flushes it to disk and
// moves it over the target; on any failure the target is left as it was.
bool ReplaceFile(const fs::path& target, const std::string& text) {
    const std::string base = TempPrefix(target) + std::to_string(GetCurrentProcessId());
    std::string temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = base + "-" + std::to_string(attempt);
        h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
        DWORD written = 0;
        ok = WriteFile(h, text.data() + done, chunk, &written, nullptr) != 0 && written > 0;
        done += written;
    }
    ok = ok && FlushFileBuffers(h) != 0;
    ok = CloseHandle(h) != 0 && ok;
    ok = ok && MoveFileExA(temp.c_str(), target.string().c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(temp.c_str());
    return ok;
}

#else

class FileLock {
  public:
    explicit FileLock(const fs::path& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            return;
        int rc;
        do {
            rc = ::flock(fd_, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        locked_ = rc == 0;
    }
    ~FileLock() {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return locked_; }

  private:
    int fd_ = -1;
    bool locked_ = false;
};

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the text to a new file beside the target, flushes it to disk and
// renames it over the target; on any failure the target is left as it was.
bool ReplaceFile(const fs::path& target, const std::string& text) {
    std::string temp = TempPrefix(target) + "XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    // Keep the permissions the user gave the profile; a new one is private.
    struct stat st;
    if (::stat(target.c_str(), &st) == 0)
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, text);
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself must reach the disk too, or a crash could bring back
    // the old file.
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    ok = ::fsync(dirFd) == 0;
    ok = ::close(dirFd) == 0 && ok;
    return ok;
}

#endif

} // namespace

IniProfile::IniProfile(fs::path file) : path_(std::move(file)) {}

std::optional<std::string> IniProfile::Lookup(const char* section, const char* key) const {
    if (!IsValidProfileName(OrEmpty(section)) || !IsValidProfileName(OrEmpty(key)))
        return std::nullopt;
    std::optional<std::string> text = ReadWholeFile(path_);
    if (!text)
        return std::nullopt;
    std::optional<std::string_view> value = IniFindValue(*text, section, key);
    if (!value)
        return std::nullopt;
    return std::string(ProfileLine(*value));
}

int IniProfile::GetProfileInt(const char* section, const char* key, int defaultValue) {
    std::optional<std::string> value = Lookup(section, key);
    return value ? ParseProfileInt(*value, defaultValue) : defaultValue;
}

std::string IniProfile::GetProfileString(const char* section, const char* key,
                                         const char* defaultValue) {
    std::optional<std::string> value = Lookup(section, key);
    return value ? *value : std::string(OrEmpty(defaultValue));
}

bool IniProfile::WriteProfileInt(const char* section, const char* key, int value) {
    return WriteProfileString(section, key, std::to_string(value).c_str());
}

bool IniProfile::WriteProfileString(const char* section, const char* key, const char* value) {
    if (path_.empty() || !IsValidProfileName(OrEmpty(section)) || !IsValidProfileName(OrEmpty(key)))
        return false;
    std::error_code ec;
    // Write through a symbolic link instead of replacing the link.
    fs::path target = path_;
    if (fs::is_symlink(path_, ec)) {
        fs::path resolved = fs::weakly_canonical(path_, ec);
        if (ec)
            return false;
        target = resolved;
    }
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return false;
    }
    FileLock lock(fs::path(target.string() + ".lock"));
    if (!lock.locked())
        return false;
    RemoveStaleTempFiles(target);
    std::optional<std::string> old = ReadWholeFile(target);
    if (!old)
        return false;
    std::string text = IniSetValue(*old, section, key, ProfileLine(OrEmpty(value)));
    if (text == *old)
        return true;
    return ReplaceFile(target, text);
}

fs::path DefaultIniProfilePath() {
    return DefaultIniProfilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

fs::path DefaultIniProfilePath(const char* xdgConfigHome, const char* home) {
    fs::path config;
    if (xdgConfigHome != nullptr && fs::path(xdgConfigHome).is_absolute()) {
        config = xdgConfigHome;
    } else {
        fs::path homeDir;
        if (home != nullptr && *home != '\0') {
            homeDir = home;
        } else {
#ifndef _WIN32
            if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
                homeDir = pw->pw_dir;
#endif
        }
        if (homeDir.empty())
            return {};
        config = homeDir / ".config";
    }
    return config / "vennox" / "Vennox.ini";
}
