#include "tests/support/FakeWindowSystem.h"

#include "engine/Secret.h"
#include "ui/Dialog.h"
#include "ui/res/resource.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <stdexcept>

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "'";
}

// ---- profile ---------------------------------------------------------------

void FakeProfile::LogLast() {
    if (!store.calls.empty())
        log_.push_back(store.calls.back());
}
int FakeProfile::GetProfileInt(const char* section, const char* key, int defaultValue) {
    const int v = store.GetProfileInt(section, key, defaultValue);
    LogLast();
    return v;
}
std::string FakeProfile::GetProfileString(const char* section, const char* key,
                                          const char* defaultValue) {
    std::string v = store.GetProfileString(section, key, defaultValue);
    LogLast();
    return v;
}
bool FakeProfile::WriteProfileInt(const char* section, const char* key, int value) {
    const bool ok = store.WriteProfileInt(section, key, value);
    LogLast();
    return ok;
}
bool FakeProfile::WriteProfileString(const char* section, const char* key, const char* value) {
    const bool ok = store.WriteProfileString(section, key, value);
    LogLast();
    return ok;
}

// ---- dialog window -----------------------------------------------------------

FakeDialogWindow::FakeDialogWindow(FakeWindowSystem& system, Dialog& dialog, WindowHandle handle)
    : dialog(dialog), system_(system), handle_(handle) {
    if (const DialogTemplate* t = FindDialogTemplate(dialog.TemplateId())) {
        for (const ControlTemplate& c : t->controls)
            if (c.id != IDC_STATIC)
                controls[c.id] = FakeControl{c.kind, c.style, c.text, false, false};
    }
}

void FakeDialogWindow::Log(const std::string& entry) {
    system_.Log(entry);
}

FakeControl& FakeDialogWindow::Control(int id) {
    auto it = controls.find(id);
    if (it == controls.end())
        throw std::out_of_range("no control " + std::to_string(id));
    return it->second;
}

std::string FakeDialogWindow::GetItemText(int id) {
    Log("GetWindowText " + std::to_string(id));
    return Control(id).text;
}

void FakeDialogWindow::GetItemSecret(int id, SecretString& out) {
    Log("GetWindowText " + std::to_string(id));
    out.assign(Control(id).text);
}

void FakeDialogWindow::SetItemText(int id, std::string_view text) {
    FakeControl& c = Control(id);
    c.text.assign(text);
    if (c.style & kLowercase)
        for (char& ch : c.text)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    c.allSelected = false;
    Log("SetWindowText " + std::to_string(id) + " " + Quoted(text));
}

void FakeDialogWindow::SetFocus(int id) {
    Control(id);
    focus = id;
    Log("SetFocus " + std::to_string(id));
}

void FakeDialogWindow::SelectAll(int id) {
    Control(id).allSelected = true;
    Log("EM_SETSEL " + std::to_string(id) + " 0 -1");
}

void FakeDialogWindow::ScrollToStart(int id) {
    Control(id);
    Log("EM_LINESCROLL " + std::to_string(id) + " 0 0");
}

void FakeDialogWindow::Paste(int id) {
    FakeControl& c = Control(id);
    // The field opens the clipboard itself, so the paste fails while
    // anybody, this dialog included, still holds it.
    if (system_.clipboardOpen || system_.clipboardHeldByOther) {
        Log("WM_PASTE " + std::to_string(id) + " failed: clipboard open");
        return;
    }
    Log("WM_PASTE " + std::to_string(id));
    if (!system_.clipboardText)
        return;
    std::string text = *system_.clipboardText;
    text = text.substr(0, text.find_first_of("\r\n")); // a single-line field
    if (c.allSelected)
        c.text = text;
    else
        c.text += text;
    c.allSelected = false;
}

bool FakeDialogWindow::IsChecked(int id) {
    return Control(id).checked;
}

void FakeDialogWindow::SetChecked(int id, bool checked) {
    Control(id).checked = checked;
    Log("CheckDlgButton " + std::to_string(id) + " " + (checked ? "1" : "0"));
}

void FakeDialogWindow::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (auto& [id, c] : controls)
        if (id >= firstId && id <= lastId)
            c.checked = id == checkId;
    Log("CheckRadioButton " + std::to_string(firstId) + " " + std::to_string(lastId) + " " +
        std::to_string(checkId));
}

int FakeDialogWindow::GetCheckedRadioButton(int firstId, int lastId) {
    for (auto& [id, c] : controls)
        if (id >= firstId && id <= lastId && c.checked)
            return id;
    return 0;
}

void FakeDialogWindow::SetShowCommand(int showCommand) {
    Log("SetWindowPlacement " + std::to_string(showCommand));
    if (showCommand == kShowMinimize) {
        iconic = true;
        system_.Deactivate(dialog);
    } else if (showCommand == kShowNormal && iconic) {
        iconic = false;
        system_.Activate(dialog); // a restore activates the window
    }
}

void FakeDialogWindow::SetForeground() {
    Log("SetForegroundWindow");
    system_.Activate(dialog);
}

Rect FakeDialogWindow::GetWindowRect() {
    Log("GetWindowRect");
    return frame;
}

Rect FakeDialogWindow::GetClientRect() {
    Log("GetClientRect");
    return client;
}

void FakeDialogWindow::MoveTo(int left, int top) {
    Log("SetWindowPos " + std::to_string(left) + " " + std::to_string(top));
    const int dx = left - frame.left;
    const int dy = top - frame.top;
    if (dx == 0 && dy == 0)
        return;
    frame = Rect{left, top, frame.right + dx, frame.bottom + dy};
    // WM_MOVE carries the client area's position, a few pixels inside.
    system_.Deliver(handle_, [&](Dialog& d) { d.OnMove(left + 3, top + 22); });
}

void FakeDialogWindow::AppendSystemMenuSeparator() {
    systemMenu.push_back("-");
    Log("AppendMenu separator");
}

void FakeDialogWindow::AppendSystemMenuItem(unsigned commandId, std::string_view text) {
    systemMenu.push_back(std::to_string(commandId) + " " + std::string(text));
    Log("AppendMenu " + std::to_string(commandId) + " " + Quoted(text));
}

void FakeDialogWindow::SetIcon(int which, IconHandle icon) {
    Log(std::string("WM_SETICON ") + (which == kIconBig ? "big" : "small") + " " +
        std::to_string(icon));
}

void FakeDialogWindow::BeginPaint() {
    Log("BeginPaint");
}
void FakeDialogWindow::EraseIconBackground() {
    Log("WM_ICONERASEBKGND");
}
void FakeDialogWindow::DrawIcon(int x, int y, IconHandle icon) {
    Log("DrawIcon " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(icon));
}
void FakeDialogWindow::EndPaint() {
    Log("EndPaint");
}
void FakeDialogWindow::Default() {
    Log("Default");
}

void FakeDialogWindow::EndDialog(int r) {
    Log("EndDialog " + std::to_string(r));
    ended = true;
    result = r;
}

void FakeDialogWindow::Type(int id, std::string text) {
    FakeControl& c = Control(id);
    c.text = std::move(text);
    c.allSelected = false;
}

void FakeDialogWindow::Click(int id) {
    FakeControl& c = Control(id);
    if (c.style & kDisabled)
        return;
    if (c.kind == ControlKind::AutoCheckBox)
        c.checked = !c.checked;
    else if (c.kind == ControlKind::AutoRadioButton) {
        for (auto& [other, control] : controls)
            if (control.kind == ControlKind::AutoRadioButton)
                control.checked = other == id;
    } else {
        dialog.OnCommand(id);
    }
}

// ---- window system -----------------------------------------------------------

FakeWindowSystem::FakeWindowSystem() {
    strings[IDS_ABOUTBOX] = FindResourceString(IDS_ABOUTBOX);
}
FakeWindowSystem::~FakeWindowSystem() = default;

std::vector<std::string> FakeWindowSystem::Calls(const std::string& containing) const {
    std::vector<std::string> out;
    for (const auto& e : log)
        if (e.find(containing) != std::string::npos)
            out.push_back(e);
    return out;
}

void FakeWindowSystem::Deliver(WindowHandle to, const std::function<void(Dialog&)>& handler) {
    auto it = windows_.find(to);
    if (it != windows_.end()) {
        handler(it->second->dialog);
        return;
    }
}

FakeDialogWindow& FakeWindowSystem::Open(Dialog& dialog) {
    const WindowHandle h = nextHandle_++;
    auto window = std::make_unique<FakeDialogWindow>(*this, dialog, h);
    FakeDialogWindow& w = *window;
    windows_[h] = std::move(window);
    Log("CreateDialog " + std::to_string(dialog.TemplateId()));
    dialog.Attach(&w);
    if (dialog.OnInitDialog()) {
        const DialogTemplate* t = FindDialogTemplate(dialog.TemplateId());
        for (const ControlTemplate& c : t->controls)
            if ((c.style & kTabStop) && !(c.style & kDisabled)) {
                w.focus = c.id;
                break;
            }
    }
    return w;
}

void FakeWindowSystem::Destroy(Dialog& dialog) {
    FakeDialogWindow* w = WindowOf(dialog);
    if (!w)
        return;
    Log("DestroyWindow " + std::to_string(dialog.TemplateId()));
    dialog.OnDestroy();
    dialog.Detach();
    windows_.erase(w->Handle());
}

FakeDialogWindow* FakeWindowSystem::WindowOf(const Dialog& dialog) {
    for (auto& [h, w] : windows_)
        if (&w->dialog == &dialog)
            return w.get();
    return nullptr;
}

void FakeWindowSystem::Activate(Dialog& dialog) {
    FakeDialogWindow* w = WindowOf(dialog);
    if (!w || w->active)
        return;
    w->active = true;
    Log("WM_ACTIVATE " + std::to_string(dialog.TemplateId()) + " 1");
    dialog.OnActivate(1, 0, w->iconic);
}

void FakeWindowSystem::Deactivate(Dialog& dialog) {
    FakeDialogWindow* w = WindowOf(dialog);
    if (!w || !w->active)
        return;
    w->active = false;
    Log("WM_ACTIVATE " + std::to_string(dialog.TemplateId()) + " 0");
    dialog.OnActivate(kActivateInactive, 0, w->iconic);
}

int FakeWindowSystem::RunModal(Dialog& dialog, Dialog* parent) {
    Log("DoModal " + std::to_string(dialog.TemplateId()) + " parent " +
        (parent ? std::to_string(parent->TemplateId()) : std::string("none")));
    if (parent)
        Deactivate(*parent);
    FakeDialogWindow& w = Open(dialog);
    Activate(dialog);
    auto script = modalScripts.find(dialog.TemplateId());
    if (script != modalScripts.end())
        script->second(dialog, w);
    if (!w.ended)
        dialog.OnCommand(IDCANCEL);
    const int result = w.result;
    Destroy(dialog);
    if (parent)
        Activate(*parent); // the owner gets the activation back
    return result;
}

std::string FakeWindowSystem::LoadString(int id) {
    auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second;
}

IconHandle FakeWindowSystem::LoadIcon(int id) {
    Log("LoadIcon " + std::to_string(id));
    return kAppIcon;
}

CursorHandle FakeWindowSystem::SetCursor(CursorHandle c) {
    Log(std::string("SetCursor ") + (c == kWaitCursor ? "wait" : "arrow"));
    const CursorHandle previous = cursor;
    cursor = c;
    return previous;
}

void FakeWindowSystem::WinHelp(unsigned data, unsigned command) {
    Log("WinHelp " + std::to_string(data) + " " + std::to_string(command));
}

bool FakeWindowSystem::OpenClipboard(WindowHandle) {
    if (clipboardOpen || clipboardHeldByOther) {
        Log("OpenClipboard failed");
        return false;
    }
    Log("OpenClipboard");
    clipboardOpen = true;
    clipboardChangedWhileOpen = false;
    return true;
}

void FakeWindowSystem::CloseClipboard() {
    Log("CloseClipboard");
    if (!clipboardOpen)
        throw std::logic_error("CloseClipboard without OpenClipboard");
    clipboardOpen = false;
    if (clipboardChangedWhileOpen && chainHead != 0) {
        clipboardChangedWhileOpen = false;
        SendDrawClipboard(chainHead); // delivered inside CloseClipboard, as Windows does
    }
}

void FakeWindowSystem::EmptyClipboard() {
    Log("EmptyClipboard");
    clipboardText.reset();
    clipboardChangedWhileOpen = true;
}

std::optional<std::string> FakeWindowSystem::GetClipboardText() {
    Log("GetClipboardData CF_TEXT");
    if (!clipboardOpen)
        throw std::logic_error("GetClipboardData on a closed clipboard");
    if (clipboardCopyFails && clipboardText)
        throw std::bad_alloc();
    return clipboardText;
}

void FakeWindowSystem::SetClipboardText(std::string_view text) {
    Log("SetClipboardData CF_TEXT " + Quoted(text) + " size " + std::to_string(text.size() + 1));
    if (!clipboardOpen)
        throw std::logic_error("SetClipboardData on a closed clipboard");
    clipboardText = std::string(text);
    clipboardChangedWhileOpen = true;
}

WindowHandle FakeWindowSystem::SetClipboardViewer(WindowHandle viewer) {
    Log("SetClipboardViewer " + std::to_string(viewer));
    const WindowHandle previous = chainHead;
    chainHead = viewer;
    SendDrawClipboard(viewer); // the new viewer is told at once
    return previous;
}

void FakeWindowSystem::ChangeClipboardChain(WindowHandle leaving, WindowHandle next) {
    Log("ChangeClipboardChain " + std::to_string(leaving) + " " + std::to_string(next));
    if (chainHead == leaving)
        chainHead = next;
    else if (chainHead != 0)
        SendChangeCbChain(chainHead, leaving, next);
}

void FakeWindowSystem::SendDrawClipboard(WindowHandle to) {
    Log("WM_DRAWCLIPBOARD to " + std::to_string(to));
    for (auto& v : viewers_)
        if (v->handle == to) {
            ++v->drawsSeen;
            if (v->next)
                SendDrawClipboard(v->next);
            return;
        }
    Deliver(to, [](Dialog& d) { d.OnDrawClipboard(); });
}

void FakeWindowSystem::SendChangeCbChain(WindowHandle to, WindowHandle leaving,
                                         WindowHandle following) {
    Log("WM_CHANGECBCHAIN to " + std::to_string(to) + " " + std::to_string(leaving) + " " +
        std::to_string(following));
    for (auto& v : viewers_)
        if (v->handle == to) {
            if (v->next == leaving)
                v->next = following;
            else if (v->next)
                SendChangeCbChain(v->next, leaving, following);
            return;
        }
    Deliver(to, [&](Dialog& d) { d.OnChangeCbChain(leaving, following); });
}

void FakeWindowSystem::CopyFromOtherProgram(std::optional<std::string> text) {
    Log("other program copies " + (text ? Quoted(*text) : std::string("no text")));
    clipboardText = std::move(text);
    if (chainHead != 0)
        SendDrawClipboard(chainHead);
}

FakeViewer& FakeWindowSystem::StartOtherViewer() {
    auto v = std::make_unique<FakeViewer>();
    v->handle = nextHandle_++;
    FakeViewer& ref = *v;
    viewers_.push_back(std::move(v));
    ref.next = SetClipboardViewer(ref.handle);
    return ref;
}

void FakeWindowSystem::StopOtherViewer(FakeViewer& viewer) {
    ChangeClipboardChain(viewer.handle, viewer.next);
    viewer.next = 0;
}
