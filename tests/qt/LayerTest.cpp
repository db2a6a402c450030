// Each window-system operation does on the real widgets what the logic asks.
#include "tests/qt/QtTestSupport.h"

#include "engine/Secret.h"
#include "ui/res/resource.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

bool Contains(const std::vector<int>& v, int x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

void ShowActive(QtDialogWindow& window) {
    window.Widget()->show();
    window.Widget()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.Widget()));
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
    }

    void passphraseLeavesNoUndo() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        QLineEdit* password = main.Edit(IDC_PASSWORD);
        QTest::keyClicks(password, QStringLiteral("secret words"));
        SecretString secret;
        main.window.GetItemSecret(IDC_PASSWORD, secret);
        QCOMPARE(QString::fromLatin1(secret.c_str()), QStringLiteral("secret words"));
        QVERIFY(password->isUndoAvailable());

        main.window.SetItemText(IDC_PASSWORD, "");
        QVERIFY(password->text().isEmpty());
        QVERIFY(!password->isUndoAvailable());
        QVERIFY(!password->isModified());
        QTest::keySequence(password, QKeySequence::Undo);
        QVERIFY(password->text().isEmpty());
        main.window.GetItemSecret(IDC_PASSWORD, secret);
        QVERIFY(secret.empty());
    }

    void passphraseCannotBeCopiedOrDragged() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        QLineEdit* password = main.Edit(IDC_PASSWORD);
        QTest::keyClicks(password, QStringLiteral("secret"));
        password->selectAll();
        QTest::keySequence(password, QKeySequence::Copy);
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
        QCOMPARE(password->text(), QStringLiteral("secret"));
        QTest::keySequence(password, QKeySequence::Cut);
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
        QCOMPARE(password->text(), QStringLiteral("secret"));
        QVERIFY(!password->dragEnabled());
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
    }

    void pasteTakesTheFirstLine() {
        QFETCH(QString, clipboard);
        QFETCH(QString, pasted);
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        QGuiApplication::clipboard()->setText(clipboard);

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
        QVERIFY(main.Edit(IDC_PASSWORD)->hasFocus());

        struct Case {
            int focus;
            Qt::Key key;
            int command;
        };
        // Enter presses the default button unless a push button has the
        // focus; Esc is IDCANCEL.
        for (const Case c :
             {Case{IDC_PASSWORD, Qt::Key_Return, IDOK}, Case{IDC_CHALLENGE, Qt::Key_Enter, IDOK},
              Case{IDC_OPTIONS, Qt::Key_Return, IDC_OPTIONS},
              Case{IDC_CHALLENGE, Qt::Key_Escape, IDCANCEL}}) {
            main.dialog.commands.clear();
            main.window.SetFocus(c.focus);
            QTest::keyClick(QApplication::focusWidget(), c.key);
            QTRY_VERIFY(Contains(main.dialog.commands, c.command));
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
        QTRY_VERIFY(Contains(main.dialog.commands, IDC_OPTIONS));
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

        for (QWidget* target : {static_cast<QWidget*>(main.window.Widget()),
                                static_cast<QWidget*>(main.Edit(IDC_CHALLENGE))}) {
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
        QCOMPARE(main.dialog.sysCommands, (std::vector<unsigned>{IDM_ABOUTBOX, IDM_ABOUTBOX}));
    }

    void windowPlacement() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        main.window.MoveTo(120, 80);
        ShowActive(main.window);
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

    void helpOpensTheTopic() {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("asked"));
        const QString script = dir.filePath(QStringLiteral("opener.sh"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"" + log.toUtf8() +
                   "\"\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("VENNOX_HELP_OPENER", script.toUtf8());

        QtWindowSystem system;
        for (unsigned context : {1u, 2u, 3u}) {
            QFile::remove(log);
            system.WinHelp(context, kHelpContext);
            QTRY_VERIFY(QFile::exists(log));
            QFile asked(log);
            QVERIFY(asked.open(QIODevice::ReadOnly));
            const QUrl url(QString::fromUtf8(asked.readAll()).trimmed());
            QCOMPARE(url.fragment(), QStringLiteral("context-%1").arg(context));
            QVERIFY2(QFile::exists(url.toLocalFile()), qPrintable(url.toString()));
        }
        qunsetenv("VENNOX_HELP_OPENER");
    }
};

QObject* MakeLayerTest() {
    return new LayerTest;
}

#include "LayerTest.moc"
