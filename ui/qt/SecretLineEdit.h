// A single-line password field that keeps its text in our own wiping
// buffer, as UTF-8, and never hands it to Qt: it paints only the mask and
// edits the text itself (SecretEditText). A QLineEdit keeps copies of its text that nobody
// wipes (its buffers as they grow and shrink, its undo history), so after
// the field is emptied the pass phrase could still be read from memory.
#pragma once

#include "engine/Secret.h"
#include "ui/qt/SecretEditText.h"

#include <QBasicTimer>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

class QMenu;
class QStyleOptionFrame;

class SecretLineEdit : public QWidget {
    Q_OBJECT

  public:
    explicit SecretLineEdit(QWidget* parent = nullptr);
    ~SecretLineEdit() override;

    // The text, as the dialog logic reads and writes it. Setting it drops
    // the undo step and the modified flag.
    void Read(SecretString& out) const;
    void SetText(std::string_view text);
    bool IsEmpty() const { return text_.Empty(); }
    int Length() const; // in characters

    // Where a paste takes its text from: false when there is none. The
    // field keeps the text's first line. Without a source it takes no paste.
    using PasteSource = std::function<bool(SecretString& text)>;
    void SetPasteSource(PasteSource source) { pasteSource_ = std::move(source); }
    void Paste();

    // The owner's entries below the field's own in its context menu, and
    // the owner's handling of one of them when chosen (its data as a number).
    void SetMenuHooks(std::function<void(QMenu&)> add, std::function<void(unsigned)> chosen);

    void SelectAll();
    bool HasSelection() const { return text_.HasSelection(); }
    int CursorPosition() const; // in characters

    // One step of undo, as in a Windows edit control: Undo takes back the
    // last change, and Undo again puts it back.
    void Undo();
    bool IsUndoAvailable() const { return text_.IsUndoAvailable(); }
    bool IsModified() const { return text_.IsModified(); }

    void SetFrame(bool frame);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    // After the text, caret or selection changed: keep the caret in view
    // and visible, and repaint.
    void Edited();
    void MoveCursor(std::size_t to, bool select);
    void InsertText(std::string_view text, SecretEditText::Run run);
    void DeleteChar(bool backward);
    bool IsEditKey(QKeyEvent* event) const;

    void InitFrameOption(QStyleOptionFrame& option) const;
    QRect ContentsRect() const;
    int MaskWidth() const;
    std::size_t OffsetAt(int x) const;
    void EnsureCursorVisible();
    void RestartBlink();

    SecretEditText text_;
    bool frame_ = true;
    int scroll_ = 0; // pixels of the mask scrolled out to the left
    bool cursorShown_ = false;
    QBasicTimer blink_;
    PasteSource pasteSource_;
    std::function<void(QMenu&)> addMenu_;
    std::function<void(unsigned)> menuChosen_;
};
