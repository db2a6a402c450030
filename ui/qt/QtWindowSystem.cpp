#include "ui/qt/QtWindowSystem.h"

#include "engine/Secret.h"
#include "ui/Dialog.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/res/DialogTemplates.h"
#include "ui/res/resource.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

QtWindowSystem::QtWindowSystem() {
    for (int size : {16, 32, 48, 128}) {
        const QString file = QStringLiteral(":/vennox/vennox-%1.png").arg(size);
        if (QFileInfo::exists(file))
            mainIcon_.addFile(file, QSize(size, size));
    }
    clipboardConnection_ = QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged,
                                            [this] { ClipboardChanged(); });
}

QtWindowSystem::~QtWindowSystem() {
    QObject::disconnect(clipboardConnection_);
    if (cursor_ == kWaitCursor)
        QGuiApplication::restoreOverrideCursor();
}

int QtWindowSystem::RunModal(Dialog& dialog, Dialog* parent) {
    QtDialogWindow window(*this, dialog, WindowOf(parent));
    dialog.Attach(&window);
    const int result = window.Run();
    dialog.Detach();
    return result;
}

void QtWindowSystem::Register(const Dialog& dialog, QtDialogWindow* window) {
    if (window != nullptr)
        windows_[&dialog] = window;
    else
        windows_.erase(&dialog);
}

QtDialogWindow* QtWindowSystem::WindowOf(const Dialog* dialog) const {
    const auto it = windows_.find(dialog);
    return it != windows_.end() ? it->second : nullptr;
}

std::string QtWindowSystem::LoadString(int id) {
    const char* text = FindResourceString(id);
    return text != nullptr ? text : std::string();
}

IconHandle QtWindowSystem::LoadIcon(int id) {
    return id == IDR_MAINFRAME ? kMainIcon : 0;
}

QIcon QtWindowSystem::Icon(IconHandle icon) const {
    return icon == kMainIcon ? mainIcon_ : QIcon();
}

CursorHandle QtWindowSystem::SetCursor(CursorHandle cursor) {
    const CursorHandle previous = cursor_;
    if (cursor == cursor_)
        return previous;
    if (cursor == kWaitCursor)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (cursor_ == kWaitCursor)
        QGuiApplication::restoreOverrideCursor();
    cursor_ = cursor;
    return previous;
}

bool QtWindowSystem::WindowPositionsKnown() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QString QtWindowSystem::HelpUrl(unsigned context) {
    // Installed: <prefix>/bin/vennox and <prefix>/share/vennox/help; in the
    // build tree the page is read from the sources.
    const QString installed =
        QDir(QCoreApplication::applicationDirPath())
            .absoluteFilePath(QStringLiteral("../share/vennox/help/index.html"));
    QString page = QDir::cleanPath(installed);
#ifdef VENNOX_SOURCE_HELP
    const QString source = QStringLiteral(VENNOX_SOURCE_HELP);
    if (!QFileInfo::exists(page) && QFileInfo::exists(source))
        page = source;
#endif
    QUrl url = QUrl::fromLocalFile(page);
    url.setFragment(QStringLiteral("context-%1").arg(context));
    return url.toString(QUrl::FullyEncoded);
}

// WinHelp with HELP_CONTEXT opens our help page at that context's topic in
// the user's browser.
void QtWindowSystem::WinHelp(unsigned data, unsigned command) {
    if (command != kHelpContext)
        return;
    const QUrl url(HelpUrl(data));
    if (QDesktopServices::openUrl(url))
        return;
    // As Windows does when nothing can open a document: say so, and where
    // the page is, rather than let the key do nothing.
    QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Vennox Help"),
                         QStringLiteral("No program to show web pages was found, so the help "
                                        "page cannot be opened. It is here:\n\n%1")
                             .arg(url.toLocalFile()));
}

// Qt has no open and close of the clipboard. The flag keeps the logic's
// pairing: a second open before the close fails, as on Windows, and a change
// seen while the clipboard is open is reported when it is closed, as Windows
// sends WM_DRAWCLIPBOARD from CloseClipboard.
bool QtWindowSystem::OpenClipboard(WindowHandle) {
    if (clipboardOpen_)
        return false;
    clipboardOpen_ = true;
    return true;
}

void QtWindowSystem::CloseClipboard() {
    clipboardOpen_ = false;
    if (changedWhileOpen_) {
        changedWhileOpen_ = false;
        ClipboardChanged();
    }
}

void QtWindowSystem::EmptyClipboard() {
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

// The CLIPBOARD selection (what Ctrl+C and Ctrl+V use), never PRIMARY.
std::optional<QString> QtWindowSystem::ClipboardText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (data == nullptr || !data->hasText())
        return std::nullopt;
    QString text = data->text();
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

bool QtWindowSystem::ClipboardSecret(SecretString& out) {
    const std::optional<QString> text = ClipboardText();
    if (!text)
        return false;
    QByteArray bytes = text->toLocal8Bit();
    out.assign(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    bytes.fill('\0');
    return true;
}

std::optional<std::string> QtWindowSystem::GetClipboardText() {
    const std::optional<QString> text = ClipboardText();
    if (!text)
        return std::nullopt;
    const QByteArray bytes = text->toLocal8Bit();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void QtWindowSystem::SetClipboardText(std::string_view text) {
    QGuiApplication::clipboard()->setText(
        QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())),
        QClipboard::Clipboard);
}

// X11 and Wayland have no clipboard-viewer chain: every program hears of a
// change by itself (QClipboard::dataChanged), so there is never a next viewer
// and nothing to forward. The one viewer is our own window, which hears of
// each change and, as on Windows, of the clipboard's state when it joins.
WindowHandle QtWindowSystem::SetClipboardViewer(WindowHandle viewer) {
    viewer_ = viewer;
    ClipboardChanged();
    return 0;
}

void QtWindowSystem::ChangeClipboardChain(WindowHandle leaving, WindowHandle) {
    if (leaving == viewer_)
        viewer_ = 0;
}

void QtWindowSystem::ClipboardChanged() {
    if (clipboardOpen_) {
        changedWhileOpen_ = true;
        return;
    }
    if (viewer_ == 0)
        return;
    for (const auto& [dialog, window] : windows_) {
        if (window->Handle() == viewer_) {
            window->DrawClipboard();
            return;
        }
    }
}
