#include "ui/qt/DialogBuilder.h"

#include "ui/qt/HostWidgets.h"
#include "ui/qt/QtDialogWindow.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/qt/SecretLineEdit.h"
#include "ui/res/resource.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QShortcutEvent>
#include <QValidator>
#include <QVariant>

#include <algorithm>
#include <cstdlib>

namespace {

// Windows' MulDiv: a * b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

// ES_LOWERCASE: what the user types into the field is lowered too.
class LowercaseValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toLower();
        return Acceptable;
    }
};

// A button's mnemonic clicks it at once, as the Windows dialog manager does,
// before the next key is read. Qt's own handling (animateClick) clicks 100 ms
// later, after an Enter typed right behind the mnemonic has already pressed
// the default button.
class ClickOnMnemonic : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (event->type() != QEvent::Shortcut || button == nullptr)
            return false;
        // A letter that several buttons share only moves the focus: Qt's way.
        if (static_cast<QShortcutEvent*>(event)->isAmbiguous())
            return false;
        if (button->isEnabled()) {
            // A check box or radio button takes the focus too; a push button
            // does not.
            if (button->isCheckable() && (button->focusPolicy() & Qt::ClickFocus) != 0)
                button->setFocus(Qt::ShortcutFocusReason);
            button->click();
        }
        return true;
    }
};

constexpr const char* kIdProperty = "vennoxId";

Qt::FocusPolicy FocusPolicy(const ControlTemplate& c) {
    return (c.style & kTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus;
}

QString Text(const ControlTemplate& c) {
    return QString::fromLocal8Bit(c.text);
}

} // namespace

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The rounded average, as GdiGetCharDimensions computes it.
    return QSize((width / 26 + 1) / 2, metrics.height());
}

QRect DialogUnitsToPixels(int x, int y, int cx, int cy, QSize baseUnits) {
    const int bx = baseUnits.width();
    const int by = baseUnits.height();
    return QRect(MulDiv(x, bx, 4), MulDiv(y, by, 8), MulDiv(cx, bx, 4), MulDiv(cy, by, 8));
}

DialogBuilder::DialogBuilder(QtDialogWindow& window, QtWindowSystem& system)
    : window_(window), system_(system), dialog_(window.Widget()) {}

void DialogBuilder::Build(const DialogTemplate& dlg) {
    SetUpWindow(dlg);
    mnemonics_ = new ClickOnMnemonic(dialog_);
    for (const ControlTemplate& c : dlg.controls) {
        QRect r = DialogUnitsToPixels(c.x, c.y, c.cx, c.cy, window_.baseUnits_);
        if ((c.style & kGroup) != 0)
            group_ = nullptr;
        QWidget* control = nullptr;
        switch (c.kind) {
        case ControlKind::Edit:
            control = (c.style & kPassword) != 0 ? MakePasswordEdit(c) : MakeEdit(c);
            break;
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
            control = MakePushButton(c);
            break;
        case ControlKind::AutoRadioButton:
            control = MakeRadioButton(c);
            break;
        case ControlKind::AutoCheckBox:
            control = MakeCheckBox(c);
            break;
        case ControlKind::GroupBox:
            control = MakeGroupBox(c);
            break;
        case ControlKind::Text:
            control = MakeText(c, r);
            break;
        case ControlKind::Icon:
            control = MakeIcon(c, r);
            break;
        }
        Add(c, control, r);
    }
    // Group boxes are drawn behind the controls inside them.
    for (QGroupBox* box : boxes_)
        box->lower();
    const std::vector<QWidget*>& tabs = window_.tabOrder_;
    for (std::size_t i = 1; i < tabs.size(); ++i)
        QWidget::setTabOrder(tabs[i - 1], tabs[i]);
    AddHelpKey();
    AddContextMenuKey();
}

void DialogBuilder::SetUpWindow(const DialogTemplate& dlg) {
    // A modal frame makes a transient dialog of the owner; the main window
    // is a normal top-level that the window manager lets the user minimise.
    Qt::WindowFlags flags = (dlg.style & kDlgModalFrame) != 0 ? Qt::Dialog : Qt::Window;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((dlg.style & kDlgSysMenu) != 0)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((dlg.style & kDlgMinimizeBox) != 0)
        flags |= Qt::WindowMinimizeButtonHint;
    dialog_->setWindowFlags(flags);
    dialog_->setWindowTitle(QString::fromLocal8Bit(dlg.caption));

    // No Linux desktop has "MS Sans Serif": the family falls back to the
    // desktop's sans serif at the template's point size, and every rectangle
    // follows that font's base units, so the layout keeps its proportions.
    QFont font(QString::fromLatin1(dlg.font));
    font.setPointSize(dlg.pointSize);
    font.setStyleHint(QFont::SansSerif);
    dialog_->setFont(font);
    window_.baseUnits_ = DialogBaseUnits(dialog_->font());

    frame_ = DialogUnitsToPixels(dlg.x, dlg.y, dlg.cx, dlg.cy, window_.baseUnits_);
    dialog_->setFixedSize(frame_.size());
    // Like a dialog without DS_ABSALIGN: relative to the owner's client area.
    if (window_.owner_ != nullptr)
        dialog_->move(window_.owner_->Widget()->mapToGlobal(frame_.topLeft()));
    else
        dialog_->move(frame_.topLeft());
}

QWidget* DialogBuilder::MakeEdit(const ControlTemplate& c) {
    auto* edit = new HostEdit(window_, dialog_);
    edit->setFrame((c.style & kBorder) != 0);
    edit->setReadOnly((c.style & kReadOnly) != 0);
    if ((c.style & kLowercase) != 0)
        edit->setValidator(new LowercaseValidator(edit));
    edit->setText(Text(c));
    edit->setFocusPolicy(FocusPolicy(c));
    return edit;
}

QWidget* DialogBuilder::MakePasswordEdit(const ControlTemplate& c) {
    // The pass phrase lives in the field's own wiping buffer only.
    auto* secret = new SecretLineEdit(dialog_);
    secret->SetFrame((c.style & kBorder) != 0);
    secret->SetText(c.text);
    secret->setFocusPolicy(FocusPolicy(c));
    secret->SetPasteSource(QtWindowSystem::ClipboardSecret);
    QtDialogWindow& window = window_;
    secret->SetMenuHooks([&window](QMenu& menu) { window.AddWindowMenu(menu); },
                         [&window](unsigned id) { window.DeliverSysCommand(id); });
    return secret;
}

QWidget* DialogBuilder::MakePushButton(const ControlTemplate& c) {
    auto* button = new QPushButton(Text(c), dialog_);
    // Enter presses the focused push button, else the default one.
    button->setAutoDefault(true);
    button->setDefault(c.kind == ControlKind::DefPushButton);
    button->setFocusPolicy(FocusPolicy(c));
    return button;
}

QWidget* DialogBuilder::MakeRadioButton(const ControlTemplate& c) {
    auto* radio = new QRadioButton(Text(c), dialog_);
    // The radio buttons from one group start to the next form one exclusive
    // set; arrow keys move within it, past disabled ones.
    if (group_ == nullptr) {
        group_ = new QButtonGroup(dialog_);
        group_->setExclusive(true);
    }
    group_->addButton(radio);
    radio->setFocusPolicy(FocusPolicy(c));
    return radio;
}

QWidget* DialogBuilder::MakeCheckBox(const ControlTemplate& c) {
    auto* box = new QCheckBox(Text(c), dialog_);
    box->setFocusPolicy(FocusPolicy(c));
    return box;
}

QWidget* DialogBuilder::MakeGroupBox(const ControlTemplate& c) {
    auto* box = new QGroupBox(Text(c), dialog_);
    box->setFocusPolicy(Qt::NoFocus);
    boxes_.push_back(box);
    return box;
}

QWidget* DialogBuilder::MakeText(const ControlTemplate& c, QRect& r) {
    auto* label = new QLabel(dialog_);
    const QString text = Text(c);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Static text wraps within its rectangle. A one-line rectangle that the
    // desktop's font overflows grows to the right instead, up to the
    // window's edge, so no word is cut off.
    const QFontMetrics metrics(dialog_->font());
    if (r.height() >= 2 * metrics.height()) {
        label->setWordWrap(true);
    } else {
        const int needed = metrics.horizontalAdvance(text) + 1;
        r.setWidth(std::max(r.width(), std::min(needed, frame_.width() - r.x())));
    }
    return label;
}

QWidget* DialogBuilder::MakeIcon(const ControlTemplate& c, QRect& r) {
    auto* label = new QLabel(dialog_);
    const int iconId = c.text[0] == '#' ? std::atoi(c.text + 1) : 0;
    const QIcon icon = system_.Icon(system_.LoadIcon(iconId));
    // SS_ICON sizes the control to the icon.
    r.setSize(QSize(system_.IconWidth(), system_.IconHeight()));
    label->setPixmap(icon.pixmap(r.size()));
    return label;
}

void DialogBuilder::Add(const ControlTemplate& c, QWidget* control, const QRect& r) {
    control->setGeometry(r);
    control->setEnabled((c.style & kDisabled) == 0);
    control->setProperty(kIdProperty, c.id);
    if (c.id != IDC_STATIC) {
        control->setObjectName(QStringLiteral("control-%1").arg(c.id));
        window_.controls_[c.id] = control;
        window_.styles_[c.id] = c.style;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        // BN_CLICKED, notification 0: a user's click or its keyboard equivalent.
        const int id = c.id;
        QtDialogWindow& window = window_;
        QObject::connect(button, &QAbstractButton::clicked, dialog_,
                         [&window, id] { window.Command(id); });
        button->installEventFilter(mnemonics_);
    }
    if ((c.style & kTabStop) != 0 && control->focusPolicy() != Qt::NoFocus)
        window_.tabOrder_.push_back(control);
}

void DialogBuilder::AddHelpKey() {
    // F1 anywhere in the window: WM_HELPINFO.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), dialog_);
    help->setContext(Qt::WindowShortcut);
    QtDialogWindow& window = window_;
    QObject::connect(help, &QShortcut::activated, dialog_, [&window] { window.HelpInfo(); });
}

void DialogBuilder::AddContextMenuKey() {
    // Shift+F10 opens the context menu of the control with the focus, as on
    // Windows; Qt knows only the Menu key, which not every keyboard has.
    auto* key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), dialog_);
    key->setContext(Qt::WindowShortcut);
    QWidget* dialog = dialog_;
    QObject::connect(key, &QShortcut::activated, dialog, [dialog] {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr || target->window() != dialog)
            target = dialog;
        // Where Qt opens a Menu-key menu: at the text cursor, else mid-control.
        const QRect cursor = target->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const QPoint pos = cursor.isValid() ? cursor.center() : target->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Keyboard, pos, target->mapToGlobal(pos));
        QApplication::sendEvent(target, &event);
    });
}
