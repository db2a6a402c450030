// The text of a password field and its editing, apart from any widget: UTF-8
// bytes in a buffer that wipes whatever it releases or vacates, a caret and
// a selection at character boundaries, and one undo step as in a Windows
// edit control.
#pragma once

#include "engine/Secret.h"

#include <cstddef>
#include <string_view>
#include <vector>

class SecretEditText {
  public:
    // Keys of one kind in a row make one undo step.
    enum class Run { None, Typing, Backspace, Delete };

    std::string_view View() const { return text_.View(); }
    std::size_t Size() const { return text_.size(); }
    bool Empty() const { return text_.empty(); }

    // Replaces the whole text, caret at its end; drops the undo step and
    // the modified flag.
    void Set(std::string_view text);

    // Replaces the selection (or inserts at the caret).
    void InsertText(std::string_view text, Run run);
    // The selection, else the character before (Backspace) or after the caret.
    void DeleteChar(bool backward);
    // Moves the caret to a byte offset at a character boundary; with select
    // the anchor stays, so the selection grows or shrinks.
    void MoveCursor(std::size_t to, bool select);
    void SelectAll();
    // Takes back the last change; a second Undo puts it back. False when
    // there is nothing to undo.
    bool Undo();
    // Ends the current run of keys: the next key starts a new undo step.
    void EndRun() { run_ = Run::None; }

    std::size_t Cursor() const { return cursor_; }
    std::size_t SelectionStart() const { return cursor_ < anchor_ ? cursor_ : anchor_; }
    std::size_t SelectionEnd() const { return cursor_ < anchor_ ? anchor_ : cursor_; }
    bool HasSelection() const { return cursor_ != anchor_; }
    bool IsUndoAvailable() const { return undo_.valid; }
    bool IsModified() const { return modified_; }

    std::size_t NextBoundary(std::size_t at) const;
    std::size_t PreviousBoundary(std::size_t at) const;
    std::size_t ByteOffset(int position) const; // of a character index
    int CharIndex(std::size_t offset) const;    // of a byte offset

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

    // Replaces [from, to) with text.
    void Replace(std::size_t from, std::size_t to, std::string_view text, Run run);

    Bytes text_;
    std::size_t cursor_ = 0; // byte offsets at character boundaries
    std::size_t anchor_ = 0;
    UndoStep undo_;
    Run run_ = Run::None;
    bool modified_ = false;
};
