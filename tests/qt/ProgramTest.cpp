// The whole program on the Qt host: the application object, its dialogs in
// real modal runs, driven by keys and clicks as a user drives them.
#include "tests/qt/QtTestSupport.h"

#include "engine/OtpGenerator.h"
#include "tests/support/MemoryProfile.h"
#include "ui/VennoxApp.h"
#include "ui/res/resource.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using Script = std::function<void(QtWindowSystem&, QtDialogWindow&)>;

// Runs the program over the profile; the script acts while the main dialog
// is open and should end it. Should it not, the main dialog is cancelled. A
// script that could not run (no active main window) fails the test.
void RunProgram(MemoryProfile& profile, const Script& script) {
    QtWindowSystem windows;
    CVennoxApp app(windows, profile);
    bool ran = false;
    QTimer::singleShot(0, [&] {
        QtDialogWindow* main = windows.WindowOf(app.MainWindow());
        if (main != nullptr && QTest::qWaitForWindowActive(main->Widget())) {
            ran = true;
            script(windows, *main);
        }
        if (QtDialogWindow* still = windows.WindowOf(app.MainWindow()))
            still->Command(IDCANCEL);
    });
    // Should a step hang, every dialog is cancelled so the run still ends.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog != nullptr && dialog->isVisible())
                dialog->reject();
    });
    watchdog.start(30000);
    QCOMPARE(app.InitInstance(), false);
    QVERIFY2(ran, "the main window never became active: the script did not run");
}

QWidget* Focus() {
    return QApplication::focusWidget();
}

QString Text(QtDialogWindow& window, int id) {
    return QString::fromStdString(window.GetItemText(id));
}

// Calls fn once the modal dialog with this title runs over the main one and
// is active; cancels it if fn leaves it open.
void WhenActive(const char* title, std::function<void(QDialog*)> fn) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, title, fn] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->windowTitle() != QLatin1String(title) ||
            !dialog->isActiveWindow())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<QDialog> guard(dialog);
        fn(dialog);
        if (guard && guard->isVisible())
            guard->reject();
    });
    poll->start();
}

// After a modal dialog over the main one has ended. The offscreen platform
// has no window manager to hand the activation back, so the test does.
void BackToMain(QtDialogWindow& main) {
    QTRY_VERIFY(QApplication::activeModalWidget() == main.Widget());
    main.Widget()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main.Widget()));
}

template <class T> T* ControlOf(QWidget* dialog, int id) {
    return dialog->findChild<T*>(QStringLiteral("control-%1").arg(id));
}

std::string Expected(int algorithm, int count, std::string seed, const char* pass) {
    std::string response;
    if (!ComputeResponse(algorithm, count, seed, pass, response))
        return "?";
    return response;
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { QGuiApplication::clipboard()->clear(); }

    void computeWithTheKeyboard() {
        MemoryProfile profile;
        const std::string response = Expected(5, 499, "ke1234", "This is a test.");
        RunProgram(profile, [&](QtWindowSystem&, QtDialogWindow& main) {
            // The activation put the focus in the challenge field.
            QCOMPARE(Focus(), main.Control(IDC_CHALLENGE));
            QTest::keyClicks(Focus(), QStringLiteral("otp-md5 499 ke1234"));
            QTest::keyClick(Focus(), Qt::Key_Tab);
            QCOMPARE(Focus(), main.Control(IDC_PASSWORD));
            QTest::keyClicks(Focus(), QStringLiteral("This is a test."));
            QTest::keyClick(Focus(), Qt::Key_Return);

            QCOMPARE(Text(main, IDC_RESPONSE), QString::fromStdString(response).toLower());
            QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(response));
            QCOMPARE(Focus(), main.Control(IDC_RESPONSE));
            QCOMPARE(qobject_cast<QLineEdit*>(Focus())->selectedText(), Text(main, IDC_RESPONSE));
            QVERIFY(main.Widget()->isVisible()); // Enter never ends the dialog

            QTest::keyClick(Focus(), Qt::Key_Escape);
        });
        QCOMPARE(profile.Find("Defaults", "Challenge").value_or(""),
                 std::string("otp-md5 499 ke1234"));
    }

    void startsWhereTheProfileSays() {
        MemoryProfile profile;
        profile.Set("Location", "Left", "150");
        profile.Set("Location", "Top", "90");
        profile.Set("Settings", "AutoPaste", "0");
        profile.Set("Defaults", "Challenge", "otp-md4 12 abc");
        RunProgram(profile, [&](QtWindowSystem&, QtDialogWindow& main) {
            QCOMPARE(main.Widget()->frameGeometry().topLeft(), QPoint(150, 90));
            QCOMPARE(Text(main, IDC_CHALLENGE), QStringLiteral("otp-md4 12 abc"));
            QVERIFY(Text(main, IDC_PASSWORD).isEmpty());

            // A move writes the frame's corner.
            main.Widget()->move(210, 130);
            QTRY_COMPARE(profile.Find("Location", "Left").value_or(""), std::string("210"));
            QCOMPARE(profile.Find("Location", "Top").value_or(""), std::string("130"));
        });
    }

    void startUpMoveIsWrittenAtOnce_data() {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::newRow("a stored place") << "150"
                                        << "90";
        QTest::newRow("the default place") << ""
                                           << "";
        QTest::newRow("partly off the screen") << "-30"
                                               << "-12";
    }

    // As SetWindowPos notifies before it returns, the place is written right
    // after the move, before the preferences are read and long before the
    // window is shown; no later write puts anything else there.
    void startUpMoveIsWrittenAtOnce() {
        QFETCH(QString, left);
        QFETCH(QString, top);
        MemoryProfile profile;
        if (!left.isEmpty()) {
            profile.Set("Location", "Left", left.toStdString());
            profile.Set("Location", "Top", top.toStdString());
        }
        const std::string x = left.isEmpty() ? "20" : left.toStdString();
        const std::string y = top.isEmpty() ? "20" : top.toStdString();
        RunProgram(profile, [&](QtWindowSystem&, QtDialogWindow& main) {
            QCOMPARE(main.Widget()->frameGeometry().topLeft(), QPoint(std::stoi(x), std::stoi(y)));
        });
        const std::vector<std::string> start{
            "GetProfileInt Location Left 20", "GetProfileInt Location Top 20",
            "WriteProfileInt Location Left " + x, "WriteProfileInt Location Top " + y,
            "GetProfileInt Settings AutoPaste 1"};
        QVERIFY(profile.calls.size() > start.size());
        for (std::size_t i = 0; i < start.size(); ++i)
            QCOMPARE(QString::fromStdString(profile.calls[i]), QString::fromStdString(start[i]));
        for (std::size_t i = start.size(); i < profile.calls.size(); ++i) {
            const QString call = QString::fromStdString(profile.calls[i]);
            if (call.startsWith(QLatin1String("WriteProfileInt Location Left ")))
                QCOMPARE(call, QString::fromStdString(start[2]));
            if (call.startsWith(QLatin1String("WriteProfileInt Location Top ")))
                QCOMPARE(call, QString::fromStdString(start[3]));
        }
    }

    void autoPasteOnActivation_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("pasted");
        QTest::newRow("a challenge") << "otp-md5 42 pasted"
                                     << "otp-md5 42 pasted";
        // The test saw a challenge that ends at the NUL: the seed pasted is
        // that one, not a longer one the NUL hid.
        QTest::newRow("a NUL in the seed")
            << QStringLiteral("otp-md5 42 pasted\0abcdefghijklmnop") << "otp-md5 42 pasted";
    }

    void autoPasteOnActivation() {
        QFETCH(QString, clipboard);
        QFETCH(QString, pasted);
        QGuiApplication::clipboard()->setText(clipboard);
        MemoryProfile profile;
        RunProgram(profile, [&](QtWindowSystem&, QtDialogWindow& main) {
            QTRY_COMPARE(Text(main, IDC_CHALLENGE), pasted);
            QCOMPARE(Focus(), main.Control(IDC_PASSWORD));
        });
    }

    void optionsSaveWithEnterOnACheckBox() {
        MemoryProfile profile;
        RunProgram(profile, [&](QtWindowSystem&, QtDialogWindow& main) {
            WhenActive("Vennox Options", [&](QDialog* options) {
                // The defaults, and the focus on the first tab stop.
                QCOMPARE(Focus(), ControlOf<QWidget>(options, IDC_MD4));
                QVERIFY(ControlOf<QAbstractButton>(options, IDC_MD5)->isChecked());
                QVERIFY(!ControlOf<QAbstractButton>(options, IDC_SHA1)->isChecked());
                QVERIFY(!ControlOf<QAbstractButton>(options, IDC_SHA1)->isEnabled());
                QVERIFY(ControlOf<QAbstractButton>(options, IDC_AUTOPASTE)->isChecked());
                QVERIFY(ControlOf<QAbstractButton>(options, IDC_AUTOCOPY)->isChecked());
                // Alt+L ticks "Auto C&lear Password" at once; Enter there is Save.
                QTest::keyClick(Focus(), Qt::Key_L, Qt::AltModifier);
                QCOMPARE(Focus(), ControlOf<QWidget>(options, IDC_AUTOCLEAR));
                QVERIFY(ControlOf<QAbstractButton>(options, IDC_AUTOCLEAR)->isChecked());
                QTest::keyClick(Focus(), Qt::Key_Return);
            });
            QTest::keyClick(Focus(), Qt::Key_O, Qt::AltModifier);
            QTRY_COMPARE(profile.Find("Settings", "AutoClear").value_or(""), std::string("1"));
            BackToMain(main);

            // The saved choice is live: the pass phrase goes after Compute.
            main.SetFocus(IDC_CHALLENGE);
            QTest::keyClicks(Focus(), QStringLiteral("otp-md4 5 abc"));
            main.SetFocus(IDC_PASSWORD);
            QTest::keyClicks(Focus(), QStringLiteral("pass phrase"));
            QTest::keyClick(Focus(), Qt::Key_Return);
            QVERIFY(Text(main, IDC_PASSWORD).isEmpty());
            QCOMPARE(Text(main, IDC_RESPONSE),
                     QString::fromStdString(Expected(4, 5, "abc", "pass phrase")).toLower());
        });
    }

    void optionsCancelledWithEscapeChangeNothing() {
        MemoryProfile profile;
        RunProgram(profile, [&](QtWindowSystem&, QtDialogWindow& main) {
            WhenActive("Vennox Options", [&](QDialog* options) {
                QTest::mouseClick(ControlOf<QWidget>(options, IDC_MD4), Qt::LeftButton);
                QTest::mouseClick(ControlOf<QWidget>(options, IDC_AUTOMINIMIZE), Qt::LeftButton);
                QTest::keyClick(Focus(), Qt::Key_Escape);
            });
            QTest::mouseClick(main.Control(IDC_OPTIONS), Qt::LeftButton);
            BackToMain(main);

            // MD5 is still the default: a challenge without a name uses it.
            main.SetFocus(IDC_CHALLENGE);
            QTest::keyClicks(Focus(), QStringLiteral("9 seedy"));
            main.SetFocus(IDC_PASSWORD);
            QTest::keyClicks(Focus(), QStringLiteral("pass phrase"));
            QTest::keyClick(Focus(), Qt::Key_Return);
            QCOMPARE(Text(main, IDC_RESPONSE),
                     QString::fromStdString(Expected(5, 9, "seedy", "pass phrase")).toLower());
            QVERIFY(!main.IsIconic());
        });
        for (const std::string& call : profile.calls)
            QVERIFY2(call.rfind("WriteProfileInt Settings", 0) != 0, call.c_str());
    }

    void aboutBoxFromTheContextMenu() {
        MemoryProfile profile;
        RunProgram(profile, [&](QtWindowSystem&, QtDialogWindow& main) {
            bool aboutSeen = false;
            QTimer::singleShot(0, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                QVERIFY(menu != nullptr);
                for (QAction* action : menu->actions())
                    if (action->text() == QLatin1String("&About Vennox..."))
                        menu->setActiveAction(action);
                WhenActive("About Vennox", [&](QDialog*) {
                    aboutSeen = true;
                    QTest::keyClick(Focus(), Qt::Key_Return);
                });
                QTest::keyClick(menu, Qt::Key_Return);
            });
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4),
                                    main.Widget()->mapToGlobal(QPoint(4, 4)));
            QApplication::sendEvent(main.Widget(), &event);
            QTRY_VERIFY(aboutSeen);
            BackToMain(main);
        });
    }

    void monitorRestoresTheMinimisedWindow_data() {
        QTest::addColumn<QString>("monitor");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<bool>("restored");
        QTest::newRow("a challenge") << "1"
                                     << "otp-md5 8 monitor" << true;
        QTest::newRow("monitor off") << "0"
                                     << "otp-md5 8 monitor" << false;
        QTest::newRow("not a challenge") << "1"
                                         << "otp-md5 8 monitor and more" << false;
    }

    void monitorRestoresTheMinimisedWindow() {
        QFETCH(QString, monitor);
        QFETCH(QString, copied);
        QFETCH(bool, restored);
        MemoryProfile profile;
        profile.Set("Settings", "CBViewer", monitor.toStdString());
        RunProgram(profile, [&](QtWindowSystem&, QtDialogWindow& main) {
            main.SetShowCommand(kShowMinimize);
            if (!main.IsIconic())
                QSKIP("this platform does not minimise windows");
            QGuiApplication::clipboard()->setText(copied);
            QCOMPARE(!main.IsIconic(), restored);
        });
    }

    void theProgramWithoutADisplay() {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(VENNOX_EXE), {});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains("vennox: no display"));
    }

    void theProgramUsesItsProfileAndDumpsNoCore() {
        QTemporaryDir config;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(VENNOX_EXE), {});
        QVERIFY(program.waitForStarted());
        // The start-up move writes the window's place into the profile.
        const QString ini = config.filePath(QStringLiteral("vennox/Vennox.ini"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ini), 10000);
        QFile limits(QStringLiteral("/proc/%1/limits").arg(program.processId()));
        QVERIFY(limits.open(QIODevice::ReadOnly));
        const QByteArray text = limits.readAll();
        const qsizetype at = text.indexOf("Max core file size");
        QVERIFY(at >= 0);
        QVERIFY2(text.mid(at, text.indexOf('\n', at) - at)
                     .simplified()
                     .startsWith("Max core file size 0 0"),
                 text.constData());
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("[Location]"));
    }
};

QObject* MakeProgramTest() {
    return new ProgramTest;
}

#include "ProgramTest.moc"
