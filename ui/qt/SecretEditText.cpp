#include "ui/qt/SecretEditText.h"

#include <algorithm>

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

void SecretEditText::Bytes::Insert(std::size_t at, std::string_view text) {
    // Growing moves the bytes to a new block; the allocator wipes the old one.
    data_.insert(data_.begin() + static_cast<std::ptrdiff_t>(at), text.begin(), text.end());
}

void SecretEditText::Bytes::Erase(std::size_t at, std::size_t count) {
    // The erased bytes go to the end and are wiped there: erasing in place
    // would leave the old last bytes behind the new end.
    const auto first = data_.begin() + static_cast<std::ptrdiff_t>(at);
    std::rotate(first, first + static_cast<std::ptrdiff_t>(count), data_.end());
    SecureWipe(data_.data() + data_.size() - count, count);
    data_.resize(data_.size() - count);
}

void SecretEditText::Set(std::string_view text) {
    text_.Clear();
    text_.Insert(0, text);
    undo_.removed.Clear();
    undo_ = UndoStep{};
    run_ = Run::None;
    modified_ = false;
    cursor_ = anchor_ = text_.size();
}

void SecretEditText::SelectAll() {
    anchor_ = 0;
    cursor_ = text_.size();
    run_ = Run::None;
}

bool SecretEditText::Undo() {
    if (!undo_.valid)
        return false;
    Bytes taken;
    taken.Insert(0, text_.View().substr(undo_.at, undo_.inserted));
    text_.Erase(undo_.at, undo_.inserted);
    text_.Insert(undo_.at, undo_.removed.View());
    // The step now undoes the undo.
    undo_.inserted = undo_.removed.size();
    undo_.removed.Swap(taken);
    cursor_ = anchor_ = undo_.at + undo_.inserted;
    run_ = Run::None;
    modified_ = true;
    return true;
}

void SecretEditText::Replace(std::size_t from, std::size_t to, std::string_view text, Run run) {
    if (from == to && text.empty())
        return;
    const std::string_view removed = text_.View().substr(from, to - from);
    const bool sameRun = undo_.valid && run != Run::None && run == run_;
    if (sameRun && run == Run::Typing && from == to && from == undo_.at + undo_.inserted) {
        undo_.inserted += text.size();
    } else if (run == Run::Backspace && run_ == Run::Typing && undo_.valid && from >= undo_.at &&
               to == undo_.at + undo_.inserted) {
        // Backspace over what was just typed takes it out of the same step.
        undo_.inserted -= to - from;
        run = Run::Typing;
    } else if (sameRun && run == Run::Backspace && undo_.inserted == 0 && to == undo_.at) {
        undo_.removed.Insert(0, removed);
        undo_.at = from;
    } else if (sameRun && run == Run::Delete && undo_.inserted == 0 && from == undo_.at) {
        undo_.removed.Insert(undo_.removed.size(), removed);
    } else {
        undo_.removed.Clear();
        undo_.removed.Insert(0, removed);
        undo_.at = from;
        undo_.inserted = text.size();
        undo_.valid = true;
    }
    text_.Erase(from, to - from);
    text_.Insert(from, text);
    cursor_ = anchor_ = from + text.size();
    run_ = run;
    modified_ = true;
}

void SecretEditText::InsertText(std::string_view text, Run run) {
    Replace(SelectionStart(), SelectionEnd(), text, run);
}

void SecretEditText::DeleteChar(bool backward) {
    if (HasSelection())
        Replace(SelectionStart(), SelectionEnd(), {}, Run::None);
    else if (backward && cursor_ > 0)
        Replace(PreviousBoundary(cursor_), cursor_, {}, Run::Backspace);
    else if (!backward && cursor_ < text_.size())
        Replace(cursor_, NextBoundary(cursor_), {}, Run::Delete);
}

void SecretEditText::MoveCursor(std::size_t to, bool select) {
    cursor_ = std::min(to, text_.size());
    if (!select)
        anchor_ = cursor_;
    run_ = Run::None;
}

std::size_t SecretEditText::NextBoundary(std::size_t at) const {
    const std::string_view text = text_.View();
    if (at < text.size())
        ++at;
    while (at < text.size() && IsContinuation(text[at]))
        ++at;
    return at;
}

std::size_t SecretEditText::PreviousBoundary(std::size_t at) const {
    const std::string_view text = text_.View();
    if (at > 0)
        --at;
    while (at > 0 && IsContinuation(text[at]))
        --at;
    return at;
}

std::size_t SecretEditText::ByteOffset(int position) const {
    std::size_t at = 0;
    for (int i = 0; i < position && at < text_.size(); ++i)
        at = NextBoundary(at);
    return at;
}

int SecretEditText::CharIndex(std::size_t offset) const {
    const std::string_view text = text_.View().substr(0, offset);
    return static_cast<int>(
        std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuation(c); }));
}
