#include "ui/win32/HelpPage.h"

#include "ui/res/resource.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

namespace {

// What the page is written to and opened from.
constexpr wchar_t kFolder[] = L"Vennox";
constexpr wchar_t kPage[] = L"help.html";

bool KeptInUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
}

std::string Utf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), n, nullptr, nullptr);
    return out;
}

// ShellExecuteEx of a program with its arguments, or of a document or URL;
// true when something was started. Quiet attempts show no error message.
bool Execute(HWND owner, const std::wstring& file, const std::wstring& parameters, bool quiet) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | (quiet ? SEE_MASK_FLAG_NO_UI : 0);
    info.hwnd = owner;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

// The program the user opens web pages with. ASSOCF_IS_PROTOCOL (Windows 8
// and later) follows the user's choice of browser; older systems know the
// protocol as a plain class.
std::wstring Browser() {
    for (const ASSOCF flags : {ASSOCF(ASSOCF_IS_PROTOCOL), ASSOCF(ASSOCF_NONE)}) {
        DWORD length = 0;
        if (AssocQueryStringW(flags, ASSOCSTR_EXECUTABLE, L"http", L"open", nullptr, &length) !=
                S_FALSE ||
            length == 0)
            continue;
        std::vector<wchar_t> exe(length);
        if (AssocQueryStringW(flags, ASSOCSTR_EXECUTABLE, L"http", L"open", exe.data(), &length) ==
            S_OK)
            return exe.data();
    }
    return {};
}

} // namespace

std::wstring FileUrl(std::wstring_view path, std::wstring_view fragment) {
    std::string url = "file:";
    std::string_view rest;
    const std::string bytes = Utf8(path);
    if (bytes.starts_with("\\\\")) {
        url += "//"; // \\server\share\...: the server is the URL's host
        rest = std::string_view(bytes).substr(2);
    } else {
        url += "///";
        rest = bytes;
    }
    static const char hex[] = "0123456789ABCDEF";
    for (const char ch : rest) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\')
            url += '/';
        else if (KeptInUrl(c))
            url += ch;
        else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0xF];
        }
    }
    if (!fragment.empty())
        url += '#' + Utf8(fragment);
    return std::wstring(url.begin(), url.end());
}

std::wstring WriteHelpPage(HINSTANCE module) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_HELPPAGE), MAKEINTRESOURCEW(23));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    if (bytes == nullptr || size == 0)
        return {};

    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH)
        return {};
    const std::wstring folder = std::wstring(temp, n) + kFolder;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return {};

    // Written beside and renamed over the page, so that a browser opened by
    // another Vennox never reads half of it; an older version's page is
    // replaced.
    wchar_t part[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"hlp", 0, part) == 0)
        return {};
    HANDLE file =
        CreateFileW(part, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool complete = file != INVALID_HANDLE_VALUE &&
                          WriteFile(file, bytes, size, &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    const std::wstring page = folder + L"\\" + kPage;
    if (!complete || !MoveFileExW(part, page.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(part);
        return {};
    }
    return page;
}

bool ShowHelpPage(HINSTANCE module, HWND owner, unsigned context) {
    const std::wstring page = WriteHelpPage(module);
    if (page.empty())
        return false;
    const std::string topic = context != 0 ? "context-" + std::to_string(context) : "";
    const std::wstring url = FileUrl(page, std::wstring(topic.begin(), topic.end()));

    // Shell handlers may be COM objects.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // A file: URL given to the shell, like a path, reaches the browser
    // through the .html association on Windows 10 and 11, which drops the
    // #topic; the browser itself, started with the URL, keeps it. Failing
    // that, the shell, and last the page at its top (with the system's
    // message when nothing can open it).
    bool shown = false;
    if (const std::wstring browser = Browser(); !browser.empty())
        shown = Execute(owner, browser, L"\"" + url + L"\"", true);
    if (!shown)
        shown = Execute(owner, url, {}, true);
    if (!shown)
        shown = Execute(owner, page, {}, false);
    if (SUCCEEDED(com))
        CoUninitialize();
    return shown;
}
