// A single-line password field that keeps its text in our own wiping
// buffer, as UTF-8, and never hands it to Qt: it paints only the mask and
// edits the text itself. A QLineEdit keeps copies of its text that nobody
// wipes (its buffers as they grow and shrink, its undo history), so after
// the field is emptied the pass phrase could still be read from memory.
#pragma once

#include "engine/Secret.h"

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
    bool IsEmpty() const { return text_.empty(); }
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
    bool HasSelection() const { return cursor_ != anchor_; }
    int CursorPosition() const; // in characters

    // One step of undo, as in a Windows edit control: Undo takes back the
    // last change, and Undo again puts it back.
    void Undo();
    bool IsUndoAvailable() const { return undo_.valid; }
    bool IsModified() const { return modified_; }

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
    // Bytes that are wiped whenever they are released or vacated.
    class Bytes {
      public:
        std::string_view View() const { return {data_.data(), data_.size()}; }
        std::size_t size() const { return data_.size(); }
        bool empty() const { return data_.empty(); }
        void Insert(std::size_t at, std::string_view text);
        void Erase(std::size_t at, std::size_t count);
        void Clear() { Erase(0, data_.size()); }
        void Swap(Bytes& other) noexcept { data_.swap(other.data_); }

      private:
        std::vector<char, WipingAllocator<char>> data_;
    };

    struct UndoStep {
        bool valid = false;
        std::size_t at = 0;       // where the change was made, in bytes
        std::size_t inserted = 0; // the bytes it put there
        Bytes removed;            // and the ones it took away
    };
    enum class Run { None, Typing, Backspace, Delete };

    // Replaces [from, to) with text; run lets consecutive keys of one kind
    // make one undo step.
    void Replace(std::size_t from, std::size_t to, std::string_view text, Run run);
    void InsertText(std::string_view text, Run run);
    void DeleteChar(bool backward);
    void MoveCursor(std::size_t to, bool select);
    std::size_t NextBoundary(std::size_t at) const;
    std::size_t PreviousBoundary(std::size_t at) const;
    std::size_t ByteOffset(int position) const;
    int CharIndex(std::size_t offset) const;
    bool IsEditKey(QKeyEvent* event) const;

    void InitFrameOption(QStyleOptionFrame& option) const;
    QRect ContentsRect() const;
    int MaskWidth() const;
    std::size_t OffsetAt(int x) const;
    void EnsureCursorVisible();
    void RestartBlink();

    Bytes text_;
    std::size_t cursor_ = 0; // byte offsets at character boundaries
    std::size_t anchor_ = 0;
    UndoStep undo_;
    Run run_ = Run::None;
    bool modified_ = false;
    bool frame_ = true;
    int scroll_ = 0; // pixels of the mask scrolled out to the left
    bool cursorShown_ = false;
    QBasicTimer blink_;
    PasteSource pasteSource_;
    std::function<void(QMenu&)> addMenu_;
    std::function<void(unsigned)> menuChosen_;
};
