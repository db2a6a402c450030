// Each window-system operation does on the real widgets what the logic asks.
#include "tests/qt/QtTestSupport.h"

#include "engine/Secret.h"
#include "ui/res/DialogTemplates.h"
#include "ui/res/resource.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstring>

// Records the URLs that the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
  public slots:
    void Open(const QUrl& url) { urls.push_back(url); }

  public:
    std::vector<QUrl> urls;
};

namespace {

bool Contains(const std::vector<int>& v, int x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

void ShowActive(QtDialogWindow& window) {
    window.Widget()->show();
    window.Widget()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.Widget()));
}

QString FieldText(const SecretLineEdit& field) {
    SecretString text;
    field.Read(text);
    return QString::fromUtf8(text.c_str(), static_cast<qsizetype>(text.size()));
}

// One step of a user's typing: text typed, or a key pressed.
struct Step {
    QString text;
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};
Step Type(const char* text) {
    return Step{QString::fromUtf8(text)};
}
Step Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return Step{QString(), key, modifiers};
}
QTestEventList Keys(std::initializer_list<Step> steps) {
    QTestEventList events;
    for (const Step& step : steps) {
        if (!step.text.isEmpty())
            events.addKeyClicks(step.text);
        else
            events.addKeyClick(step.key, step.modifiers);
    }
    return events;
}

} // namespace

class LayerTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { QGuiApplication::clipboard()->clear(); }

    void textGoesInAndOut_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("shown");
        QTest::newRow("challenge keeps its case") << IDC_CHALLENGE << "otp-MD5 99 SeEd"
                                                  << "otp-MD5 99 SeEd";
        QTest::newRow("response lowers the words") << IDC_RESPONSE << "BAIL TUFT BITS GANG CHEF THY"
                                                   << "bail tuft bits gang chef thy";
        QTest::newRow("response lowers a message") << IDC_RESPONSE << "Invalid OTP Challenge"
                                                   << "invalid otp challenge";
        QTest::newRow("password") << IDC_PASSWORD << "This is a test."
                                  << "This is a test.";
        QTest::newRow("button caption") << IDOK << "&Compute"
                                        << "&Compute";
    }

    void textGoesInAndOut() {
        QFETCH(int, id);
        QFETCH(QString, written);
        QFETCH(QString, shown);
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        main.window.SetItemText(id, written.toStdString());
        QCOMPARE(QString::fromStdString(main.window.GetItemText(id)), shown);
        if (QLineEdit* edit = main.Edit(id))
            QCOMPARE(edit->text(), shown);
        if (SecretLineEdit* secret = main.Secret(id))
            QCOMPARE(FieldText(*secret), shown);
    }

    void passphraseLeavesNoUndo() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        SecretLineEdit* password = main.Secret(IDC_PASSWORD);
        QVERIFY(password != nullptr);
        QTest::keyClicks(password, QStringLiteral("secret words"));
        SecretString secret;
        main.window.GetItemSecret(IDC_PASSWORD, secret);
        QCOMPARE(QString::fromLatin1(secret.c_str()), QStringLiteral("secret words"));
        QVERIFY(password->IsUndoAvailable());

        main.window.SetItemText(IDC_PASSWORD, "");
        QVERIFY(password->IsEmpty());
        QVERIFY(!password->IsUndoAvailable());
        QVERIFY(!password->IsModified());
        QTest::keySequence(password, QKeySequence::Undo);
        QVERIFY(password->IsEmpty());
        main.window.GetItemSecret(IDC_PASSWORD, secret);
        QVERIFY(secret.empty());
    }

    void passphraseCannotBeCopiedOrDragged() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        SecretLineEdit* password = main.Secret(IDC_PASSWORD);
        QVERIFY(password != nullptr);
        QTest::keyClicks(password, QStringLiteral("secret"));
        password->SelectAll();
        QTest::keySequence(password, QKeySequence::Copy);
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
        QCOMPARE(FieldText(*password), QStringLiteral("secret"));
        QTest::keySequence(password, QKeySequence::Cut);
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
        QCOMPARE(FieldText(*password), QStringLiteral("secret"));

        // A press inside the selection starts no drag: it places the caret,
        // and moving from there selects, as anywhere else.
        QVERIFY(!password->acceptDrops());
        const int y = password->height() / 2;
        QTest::mousePress(password, Qt::LeftButton, Qt::NoModifier, QPoint(1, y));
        QVERIFY(!password->HasSelection());
        QCOMPARE(password->CursorPosition(), 0);
        QMouseEvent move(QEvent::MouseMove, QPointF(password->width() - 1, y),
                         password->mapToGlobal(QPointF(password->width() - 1, y)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(password, &move);
        QTest::mouseRelease(password, Qt::LeftButton, Qt::NoModifier,
                            QPoint(password->width() - 1, y));
        QVERIFY(password->HasSelection());
        QCOMPARE(password->CursorPosition(), 6);

        // Nor do input methods or accessibility clients see any of it.
        QVERIFY(password->inputMethodQuery(Qt::ImSurroundingText).toString().isEmpty());
        QVERIFY(password->inputMethodQuery(Qt::ImCurrentSelection).toString().isEmpty());
        QVERIFY((password->inputMethodQuery(Qt::ImHints).toInt() & Qt::ImhHiddenText) != 0);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(password);
        QVERIFY(accessible != nullptr);
        QCOMPARE(accessible->role(), QAccessible::EditableText);
        QVERIFY(accessible->state().passwordEdit);
        QVERIFY(accessible->textInterface() == nullptr);
        for (QAccessible::Text t :
             {QAccessible::Name, QAccessible::Description, QAccessible::Value, QAccessible::Help})
            QVERIFY(!accessible->text(t).contains(QStringLiteral("secret")));
    }

    void passwordFieldEditing_data() {
        QTest::addColumn<QString>("committed"); // by an input method, first
        QTest::addColumn<QTestEventList>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        const Step backspace = Press(Qt::Key_Backspace);
        const Step undo = Press(Qt::Key_Z, ctrl);
        QTest::newRow("typing") << "" << Keys({Type("abc")}) << "abc" << 3;
        QTest::newRow("backspace") << "" << Keys({Type("abcd"), backspace}) << "abc" << 3;
        QTest::newRow("delete at the start")
            << "" << Keys({Type("abc"), Press(Qt::Key_Home), Press(Qt::Key_Delete)}) << "bc" << 0;
        QTest::newRow("typing in the middle")
            << "" << Keys({Type("ac"), Press(Qt::Key_Left), Type("b")}) << "abc" << 2;
        QTest::newRow("home and end")
            << ""
            << Keys({Type("bc"), Press(Qt::Key_Home), Type("a"), Press(Qt::Key_End), Type("d")})
            << "abcd" << 4;
        QTest::newRow("shift+arrows select, typing replaces")
            << ""
            << Keys({Type("abcd"), Press(Qt::Key_Left), Press(Qt::Key_Left, shift),
                     Press(Qt::Key_Left, shift), Type("X")})
            << "aXd" << 2;
        QTest::newRow("shift+end selects to the end")
            << ""
            << Keys({Type("abcd"), Press(Qt::Key_Home), Press(Qt::Key_Right),
                     Press(Qt::Key_End, shift), Press(Qt::Key_Delete)})
            << "a" << 1;
        QTest::newRow("select all, type")
            << "" << Keys({Type("abc"), Press(Qt::Key_A, ctrl), Type("z")}) << "z" << 1;
        QTest::newRow("select all, backspace")
            << "" << Keys({Type("abc"), Press(Qt::Key_A, ctrl), backspace}) << "" << 0;
        QTest::newRow("left ends a selection at its start")
            << "" << Keys({Type("abc"), Press(Qt::Key_A, ctrl), Press(Qt::Key_Left), Type("x")})
            << "xabc" << 1;
        // Word moves would tell where the spaces are.
        QTest::newRow("ctrl+arrows go to the ends")
            << ""
            << Keys({Type("ab cd"), Press(Qt::Key_Left, ctrl), Type("x"),
                     Press(Qt::Key_Right, ctrl), Type("y")})
            << "xab cdy" << 7;
        QTest::newRow("keys that type nothing")
            << ""
            << Keys({Type("ab"), Press(Qt::Key_Return), Press(Qt::Key_Escape), Press(Qt::Key_Up),
                     Press(Qt::Key_B, ctrl), Press(Qt::Key_C, ctrl), Press(Qt::Key_X, ctrl)})
            << "ab" << 2;
        // A character is one step of the caret and one Backspace, whatever
        // its length in UTF-8.
        QTest::newRow("two-byte character")
            << "a\xc3\xa9" << Keys({backspace, Type("b")}) << "ab" << 2;
        QTest::newRow("four-byte character")
            << "a\U0001D11Eb" << Keys({Press(Qt::Key_Left), backspace}) << "ab" << 1;
        QTest::newRow("input method text")
            << "\u20AC\U0001D11E" << Keys({}) << "\u20AC\U0001D11E" << 2;
        // One step of undo; undo again redoes it.
        QTest::newRow("undo typing") << "" << Keys({Type("abc"), undo}) << "" << 0;
        QTest::newRow("undo twice") << "" << Keys({Type("abc"), undo, undo}) << "abc" << 3;
        QTest::newRow("backspaces while typing undo with it")
            << "" << Keys({Type("abcd"), backspace, backspace, undo}) << "" << 0;
        QTest::newRow("deletes in a row undo together")
            << ""
            << Keys({Type("abcd"), Press(Qt::Key_Home), Press(Qt::Key_Delete),
                     Press(Qt::Key_Delete), undo})
            << "abcd" << 2;
        QTest::newRow("undo brings back a replaced selection")
            << "" << Keys({Type("abc"), Press(Qt::Key_A, ctrl), Type("xy"), undo}) << "abc" << 3;
        QTest::newRow("a move starts a new step")
            << "" << Keys({Type("ab"), Press(Qt::Key_Home), Type("x"), undo}) << "ab" << 0;
    }

    void passwordFieldEditing() {
        QFETCH(QString, committed);
        QFETCH(QTestEventList, keys);
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        SecretLineEdit* password = main.Secret(IDC_PASSWORD);
        QVERIFY(password != nullptr);
        if (!committed.isEmpty()) {
            QInputMethodEvent event;
            event.setCommitString(committed);
            QApplication::sendEvent(password, &event);
        }
        keys.simulate(password);
        SecretString secret;
        main.window.GetItemSecret(IDC_PASSWORD, secret);
        QCOMPARE(QString::fromUtf8(secret.c_str(), static_cast<qsizetype>(secret.size())), text);
        QCOMPARE(password->CursorPosition(), cursor);
    }

    void selectAllAndScrollToStart() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        main.window.SetItemText(IDC_RESPONSE, "BAIL TUFT BITS GANG CHEF THY");
        main.window.SelectAll(IDC_RESPONSE);
        QLineEdit* response = main.Edit(IDC_RESPONSE);
        QCOMPARE(response->selectedText(), QStringLiteral("bail tuft bits gang chef thy"));
        main.window.ScrollToStart(IDC_RESPONSE);
        // Still all selected, the caret at the start so the first word shows.
        QCOMPARE(response->selectedText(), QStringLiteral("bail tuft bits gang chef thy"));
        QCOMPARE(response->cursorPosition(), 0);
    }

    void pasteTakesTheFirstLine_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("pasted");
        QTest::newRow("CR LF") << "otp-md5 12 ab\r\nnext line"
                               << "otp-md5 12 ab";
        QTest::newRow("LF") << "otp-md4 7 cd\nmore"
                            << "otp-md4 7 cd";
        QTest::newRow("CR") << "otp-md4 7 cd\rmore"
                            << "otp-md4 7 cd";
        QTest::newRow("no break") << "otp-md5 1 xy"
                                  << "otp-md5 1 xy";
        QTest::newRow("break first") << "\nline two"
                                     << "";
        // The challenge test stops at a NUL, as CF_TEXT does: so does the
        // paste, or a seed could hide one behind a valid challenge.
        QTest::newRow("NUL in the seed")
            << QStringLiteral("otp-md5 42 ab\0cdefghijklmnopqrstu") << "otp-md5 42 ab";
        QTest::newRow("NUL after the break")
            << QStringLiteral("otp-md5 3 ef\r\nx\0y") << "otp-md5 3 ef";
        QTest::newRow("NUL first") << QStringLiteral("\0otp-md5 3 ef") << "";
    }

    void pasteTakesTheFirstLine() {
        QFETCH(QString, clipboard);
        QFETCH(QString, pasted);
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        QGuiApplication::clipboard()->setText(clipboard);
        // What the challenge test sees, up to its first line break.
        const std::string seen = system.GetClipboardText().value_or("?");
        QCOMPARE(QString::fromStdString(seen.substr(0, seen.find_first_of("\r\n"))), pasted);

        // The logic's paste replaces the selection, here the whole text.
        main.window.SetItemText(IDC_CHALLENGE, "old text");
        main.window.SelectAll(IDC_CHALLENGE);
        main.window.Paste(IDC_CHALLENGE);
        QCOMPARE(main.Edit(IDC_CHALLENGE)->text(), pasted);

        // The user's Ctrl+V does the same.
        main.window.SetItemText(IDC_CHALLENGE, "");
        QTest::keySequence(main.Edit(IDC_CHALLENGE), QKeySequence::Paste);
        QCOMPARE(main.Edit(IDC_CHALLENGE)->text(), pasted);

        // A read-only field takes nothing.
        main.window.SetItemText(IDC_RESPONSE, "kept");
        main.window.Paste(IDC_RESPONSE);
        QCOMPARE(main.Edit(IDC_RESPONSE)->text(), QStringLiteral("kept"));
    }

    // The password field pastes the same text as the challenge field.
    void passwordPasteTakesTheFirstLine_data() { pasteTakesTheFirstLine_data(); }

    void passwordPasteTakesTheFirstLine() {
        QFETCH(QString, clipboard);
        QFETCH(QString, pasted);
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        SecretLineEdit* password = main.Secret(IDC_PASSWORD);
        QVERIFY(password != nullptr);
        QGuiApplication::clipboard()->setText(clipboard);

        main.window.SetItemText(IDC_PASSWORD, "old text");
        main.window.SelectAll(IDC_PASSWORD);
        main.window.Paste(IDC_PASSWORD);
        QCOMPARE(FieldText(*password), pasted);

        // Ctrl+V inserts at the caret.
        main.window.SetItemText(IDC_PASSWORD, "ab");
        QTest::keyClick(password, Qt::Key_Home);
        QTest::keySequence(password, QKeySequence::Paste);
        QCOMPARE(FieldText(*password), pasted + QStringLiteral("ab"));

        // A clipboard without text leaves the field as it is.
        QGuiApplication::clipboard()->clear();
        password->SelectAll();
        main.window.Paste(IDC_PASSWORD);
        QCOMPARE(FieldText(*password), pasted + QStringLiteral("ab"));
    }

    void checkBoxesAndRadioRanges() {
        QtWindowSystem system;
        ProbeWindow options(system, IDD_OPTIONS);
        QtDialogWindow& w = options.window;

        w.SetChecked(IDC_AUTOCOPY, true);
        QVERIFY(w.IsChecked(IDC_AUTOCOPY));
        QVERIFY(options.Button(IDC_AUTOCOPY)->isChecked());
        w.SetChecked(IDC_AUTOCOPY, false);
        QVERIFY(!w.IsChecked(IDC_AUTOCOPY));

        struct Case {
            int check;
            int expected;
        };
        // An id outside the range clears every button of it.
        for (const Case c :
             {Case{IDC_MD5, IDC_MD5}, Case{IDC_MD4, IDC_MD4}, Case{IDC_MD4 + 7, 0}}) {
            w.CheckRadioButton(IDC_MD4, IDC_MD5, c.check);
            QCOMPARE(w.GetCheckedRadioButton(IDC_MD4, IDC_MD5), c.expected);
            QCOMPARE(w.IsChecked(IDC_MD4), c.expected == IDC_MD4);
            QCOMPARE(w.IsChecked(IDC_MD5), c.expected == IDC_MD5);
            QVERIFY(!w.IsChecked(IDC_SHA1));
        }
    }

    void radioButtonsFormOneGroupWithoutSha1() {
        QtWindowSystem system;
        ProbeWindow options(system, IDD_OPTIONS);
        QtDialogWindow& w = options.window;
        w.CheckRadioButton(IDC_MD4, IDC_MD5, IDC_MD5);
        ShowActive(w);

        QTest::mouseClick(options.Button(IDC_MD4), Qt::LeftButton);
        QVERIFY(w.IsChecked(IDC_MD4));
        QVERIFY(!w.IsChecked(IDC_MD5));
        QVERIFY(Contains(options.dialog.commands, IDC_MD4));

        // The disabled SHA-1 takes neither a click nor the arrow keys.
        QTest::mouseClick(options.Button(IDC_SHA1), Qt::LeftButton);
        QVERIFY(!w.IsChecked(IDC_SHA1));
        QVERIFY(w.IsChecked(IDC_MD4));
        options.Button(IDC_MD4)->setFocus();
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up,
                            Qt::Key_Right}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QVERIFY(!w.IsChecked(IDC_SHA1));
            QCOMPARE(w.IsChecked(IDC_MD4) + w.IsChecked(IDC_MD5), 1);
        }
        // A checked button of the group cannot be cleared by clicking it.
        const int checked = w.GetCheckedRadioButton(IDC_MD4, IDC_MD5);
        QTest::mouseClick(options.Button(checked), Qt::LeftButton);
        QCOMPARE(w.GetCheckedRadioButton(IDC_MD4, IDC_MD5), checked);
    }

    void focusAndKeys() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        ShowActive(main.window);
        QVERIFY(Contains(main.dialog.activations, 1));

        main.window.SetFocus(IDC_PASSWORD);
        QVERIFY(main.window.Control(IDC_PASSWORD)->hasFocus());

        struct Case {
            int focus;
            Qt::Key key;
            int command;
        };
        // Enter presses the default button unless a push button has the
        // focus; Esc is IDCANCEL. Each acts before the key's event returns.
        for (const Case c :
             {Case{IDC_PASSWORD, Qt::Key_Return, IDOK}, Case{IDC_CHALLENGE, Qt::Key_Enter, IDOK},
              Case{IDC_OPTIONS, Qt::Key_Return, IDC_OPTIONS},
              Case{IDC_CHALLENGE, Qt::Key_Escape, IDCANCEL}}) {
            main.dialog.commands.clear();
            main.window.SetFocus(c.focus);
            QTest::keyClick(QApplication::focusWidget(), c.key);
            QVERIFY(Contains(main.dialog.commands, c.command));
        }
        // The logic did not end the dialog, so it stays.
        QVERIFY(main.window.Widget()->isVisible());

        main.dialog.commands.clear();
        main.window.Widget()->close();
        QVERIFY(Contains(main.dialog.commands, IDCANCEL));
        QVERIFY(main.window.Widget()->isVisible());

        QTest::keyClick(main.Edit(IDC_CHALLENGE), Qt::Key_F1);
        QCOMPARE(main.dialog.helps, 1);

        QTest::keyClick(main.Edit(IDC_CHALLENGE), Qt::Key_O, Qt::AltModifier);
        QVERIFY(Contains(main.dialog.commands, IDC_OPTIONS));
    }

    // Every button with a mnemonic in the three templates.
    void mnemonicsActAtOnce_data() {
        QTest::addColumn<int>("templateId");
        QTest::addColumn<int>("id");
        QTest::addColumn<char>("letter");
        for (int templateId : {IDD_MAIN, IDD_ABOUTBOX, IDD_OPTIONS}) {
            for (const ControlTemplate& c : FindDialogTemplate(templateId)->controls) {
                const char* amp = std::strchr(c.text, '&');
                if (amp == nullptr || amp[1] == '\0' || c.kind == ControlKind::Text)
                    continue;
                QTest::addRow("%s: %s", FindDialogTemplate(templateId)->caption, c.text)
                    << templateId << c.id
                    << static_cast<char>(std::tolower(static_cast<unsigned char>(amp[1])));
            }
        }
    }

    // Alt+letter has clicked the button when the key's event returns, before
    // any later key is read; a disabled button does nothing.
    void mnemonicsActAtOnce() {
        QFETCH(int, templateId);
        QFETCH(int, id);
        QFETCH(char, letter);
        QtWindowSystem system;
        ProbeWindow probe(system, templateId);
        ShowActive(probe.window);
        QAbstractButton* button = probe.Button(id);
        QVERIFY(button != nullptr);
        const auto& order = probe.window.TabOrder();
        QWidget* focus =
            *std::find_if(order.begin(), order.end(), [button](QWidget* w) { return w != button; });
        focus->setFocus();
        QCOMPARE(QApplication::focusWidget(), focus);
        const bool checked = button->isChecked();
        probe.dialog.commands.clear();

        QTest::keyClick(focus, letter, Qt::AltModifier);
        if (!button->isEnabled()) {
            QVERIFY(probe.dialog.commands.empty());
            QCOMPARE(button->isChecked(), checked);
            return;
        }
        QCOMPARE(probe.dialog.commands, std::vector<int>{id});
        if (qobject_cast<QCheckBox*>(button) != nullptr)
            QCOMPARE(button->isChecked(), !checked);
        if (qobject_cast<QRadioButton*>(button) != nullptr)
            QVERIFY(button->isChecked());
        // A check box or radio button takes the focus; a push button leaves it.
        QCOMPARE(QApplication::focusWidget(), button->isCheckable() ? button : focus);
    }

    void helpWithoutAHandlerGoesToTheOwner() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        ShowActive(main.window);
        Dialog about(IDD_ABOUTBOX, nullptr);
        QtDialogWindow window(system, about, &main.window);
        about.Attach(&window);
        ShowActive(window);
        QTest::keyClick(window.Widget(), Qt::Key_F1);
        QCOMPARE(main.dialog.helps, 1);
        about.Detach();
    }

    void windowMenuEntriesInTheContextMenu() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        main.window.AppendSystemMenuSeparator();
        main.window.AppendSystemMenuItem(IDM_ABOUTBOX, system.LoadString(IDS_ABOUTBOX));
        ShowActive(main.window);

        for (QWidget* target :
             {static_cast<QWidget*>(main.window.Widget()),
              static_cast<QWidget*>(main.Edit(IDC_CHALLENGE)), main.window.Control(IDC_PASSWORD)}) {
            QString seen;
            QTimer::singleShot(0, [&seen] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (menu == nullptr)
                    return;
                for (QAction* action : menu->actions()) {
                    if (action->data().toUInt() == IDM_ABOUTBOX) {
                        seen = action->text();
                        menu->setActiveAction(action);
                    }
                }
                QTest::keyClick(menu, Qt::Key_Return);
            });
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                    target->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(target, &event);
            QCOMPARE(seen, QStringLiteral("&About Vennox..."));
        }
        QCOMPARE(main.dialog.sysCommands,
                 (std::vector<unsigned>{IDM_ABOUTBOX, IDM_ABOUTBOX, IDM_ABOUTBOX}));
    }

    void windowPlacement() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        // Moving the window before it is shown notifies before MoveTo
        // returns, once; moving it to where it is already, not at all. The
        // show does not notify again (offscreen, no window manager moves it).
        main.window.MoveTo(120, 80);
        QCOMPARE(main.dialog.moves, 1);
        main.window.MoveTo(120, 80);
        QCOMPARE(main.dialog.moves, 1);
        ShowActive(main.window);
        QCoreApplication::processEvents();
        QCOMPARE(main.dialog.moves, 1);
        const Rect frame = main.window.GetWindowRect();
        QCOMPARE(frame.left, 120);
        QCOMPARE(frame.top, 80);
        const Rect client = main.window.GetClientRect();
        QCOMPARE(QSize(client.right - client.left, client.bottom - client.top),
                 main.window.Widget()->size());

        main.window.SetShowCommand(kShowMinimize);
        if (!main.window.Widget()->isMinimized())
            QSKIP("this platform does not minimise windows");
        QVERIFY(main.window.IsIconic());
        main.window.SetShowCommand(kShowNormal);
        QVERIFY(!main.window.IsIconic());
        main.window.SetForeground();
        QVERIFY(main.window.Widget()->isVisible());
    }

    void clipboardOpenIsExclusive() {
        QtWindowSystem system;
        QVERIFY(system.OpenClipboard(1));
        QVERIFY(!system.OpenClipboard(1));
        system.CloseClipboard();
        QVERIFY(system.OpenClipboard(1));
        system.CloseClipboard();
    }

    void clipboardText() {
        QtWindowSystem system;
        QClipboard* clipboard = QGuiApplication::clipboard();
        QVERIFY(!system.GetClipboardText().has_value());

        auto* image = new QMimeData;
        image->setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
        clipboard->setMimeData(image);
        QVERIFY(!system.GetClipboardText().has_value());

        clipboard->setText(QStringLiteral("otp-md5 99 seed"));
        QCOMPARE(system.GetClipboardText().value_or("?"), std::string("otp-md5 99 seed"));

        clipboard->setText(QString::fromLatin1("ab\0cd", 5));
        QCOMPARE(system.GetClipboardText().value_or("?"), std::string("ab"));

        const std::string big(1 << 20, 'x');
        clipboard->setText(QString::fromStdString(big));
        QCOMPARE(system.GetClipboardText().value_or("").size(), big.size());

        QVERIFY(system.OpenClipboard(1));
        system.EmptyClipboard();
        system.SetClipboardText("BAIL TUFT BITS GANG CHEF THY\r\n");
        system.CloseClipboard();
        QCOMPARE(clipboard->text(QClipboard::Clipboard),
                 QStringLiteral("BAIL TUFT BITS GANG CHEF THY\r\n"));
    }

    void clipboardChangesReachTheViewer() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        QClipboard* clipboard = QGuiApplication::clipboard();

        // Joining reports the clipboard at once; there is never a next viewer.
        QCOMPARE(system.SetClipboardViewer(main.window.Handle()), WindowHandle{0});
        QCOMPARE(main.dialog.draws, 1);
        clipboard->setText(QStringLiteral("one"));
        QCOMPARE(main.dialog.draws, 2);

        // A change while the clipboard is open is reported when it closes.
        QVERIFY(system.OpenClipboard(main.window.Handle()));
        clipboard->setText(QStringLiteral("two"));
        clipboard->setText(QStringLiteral("three"));
        QCOMPARE(main.dialog.draws, 2);
        system.CloseClipboard();
        QCOMPARE(main.dialog.draws, 3);

        system.ChangeClipboardChain(main.window.Handle(), 0);
        clipboard->setText(QStringLiteral("four"));
        QCOMPARE(main.dialog.draws, 3);
    }

    void waitCursor() {
        QtWindowSystem system;
        const CursorHandle saved = system.SetCursor(system.LoadWaitCursor());
        QVERIFY(QGuiApplication::overrideCursor() != nullptr);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QCOMPARE(system.SetCursor(saved), system.LoadWaitCursor());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    // The offscreen platform opens no URL; the handler for file: URLs stands
    // in for the desktop's browser. (On X11 the e2e tests see xdg-open run.)
    void helpOpensTheTopic() {
        UrlCatcher browser;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "Open");
        QtWindowSystem system;
        for (unsigned context : {1u, 2u, 3u}) {
            browser.urls.clear();
            system.WinHelp(context, kHelpContext);
            QCOMPARE(browser.urls.size(), std::size_t{1});
            const QUrl& url = browser.urls.front();
            QCOMPARE(url.fragment(), QStringLiteral("context-%1").arg(context));
            QVERIFY2(QFile::exists(url.toLocalFile()), qPrintable(url.toString()));
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }
};

QObject* MakeLayerTest() {
    return new LayerTest;
}

#include "LayerTest.moc"
