// The password field's looks: the frame, the mask, the selection and the
// caret, where the caret is kept in view, and the field's size.
#include "ui/qt/SecretLineEdit.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <QTimerEvent>

#include <algorithm>

namespace {

// QLineEdit's margins around its text, so both kinds of field look alike.
constexpr int kHorizontalMargin = 2;
constexpr int kVerticalMargin = 1;

} // namespace

void SecretLineEdit::InitFrameOption(QStyleOptionFrame& option) const {
    option.initFrom(this);
    option.rect = contentsRect();
    option.lineWidth =
        frame_ ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
}

QRect SecretLineEdit::ContentsRect() const {
    QStyleOptionFrame option;
    InitFrameOption(option);
    const QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const int height = fontMetrics().height();
    // Centred vertically, as QLineEdit places its text.
    return QRect(r.left() + kHorizontalMargin, r.top() + (r.height() - height + 1) / 2,
                 std::max(0, r.width() - 2 * kHorizontalMargin), height);
}

int SecretLineEdit::MaskWidth() const {
    QStyleOptionFrame option;
    InitFrameOption(option);
    const QChar mask(style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, this));
    return std::max(1, fontMetrics().horizontalAdvance(mask));
}

std::size_t SecretLineEdit::OffsetAt(int x) const {
    const int width = MaskWidth();
    const int index = (x - ContentsRect().left() + scroll_ + width / 2) / width;
    return text_.ByteOffset(std::clamp(index, 0, Length()));
}

void SecretLineEdit::EnsureCursorVisible() {
    const int visible = ContentsRect().width();
    const int width = MaskWidth();
    const int x = text_.CharIndex(text_.Cursor()) * width;
    const int total = Length() * width;
    if (x - scroll_ >= visible)
        scroll_ = x - visible + 1;
    if (x < scroll_)
        scroll_ = x;
    // No blank space at the right while there is text scrolled out at the left.
    scroll_ = std::max(0, std::min(scroll_, total - visible + 1));
}

void SecretLineEdit::RestartBlink() {
    cursorShown_ = hasFocus();
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void SecretLineEdit::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blink_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    cursorShown_ = !cursorShown_;
    update();
}

void SecretLineEdit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame option;
    InitFrameOption(option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);

    const QRect r = ContentsRect();
    painter.setClipRect(r);
    const QChar mask(style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, this));
    const int width = MaskWidth();
    const int left = r.left() - scroll_;
    const int selStart = text_.CharIndex(text_.SelectionStart());
    const int selEnd = text_.CharIndex(text_.SelectionEnd());
    // Only the mask is drawn: one character per character of the text, each
    // in its own cell, so a click finds the same cell the eye sees.
    const QPalette& palette = option.palette;
    if (selEnd > selStart)
        painter.fillRect(
            QRect(left + selStart * width, r.top(), (selEnd - selStart) * width, r.height()),
            palette.color(QPalette::Highlight));
    const int count = Length();
    for (int i = 0; i < count; ++i) {
        const int x = left + i * width;
        if (x + width < r.left() || x > r.right())
            continue;
        const bool selected = i >= selStart && i < selEnd;
        painter.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QRect(x, r.top(), width, r.height()), Qt::AlignCenter, QString(mask));
    }
    if (cursorShown_ && hasFocus() && isEnabled()) {
        const int cursorWidth = style()->pixelMetric(QStyle::PM_TextCursorWidth, &option, this);
        painter.fillRect(QRect(left + text_.CharIndex(text_.Cursor()) * width, r.top(),
                               std::max(1, cursorWidth), r.height()),
                         palette.color(QPalette::Text));
    }
}

QSize SecretLineEdit::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int height = metrics.height() + 2 * kVerticalMargin;
    const int width = metrics.horizontalAdvance(u'x') * 17 + 2 * kHorizontalMargin;
    QStyleOptionFrame option;
    InitFrameOption(option);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), this);
}

QSize SecretLineEdit::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int height = metrics.height() + 2 * kVerticalMargin;
    const int width = metrics.maxWidth() + 2 * kHorizontalMargin;
    QStyleOptionFrame option;
    InitFrameOption(option);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), this);
}
