// The three dialogs as the host builds them from the template table.
#include "tests/qt/QtTestSupport.h"

#include "ui/qt/DialogBuilder.h"
#include "ui/res/DialogTemplates.h"
#include "ui/res/resource.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

const char* KindClass(const ControlTemplate& c) {
    switch (c.kind) {
    case ControlKind::Edit:
        // A password field keeps its text away from Qt.
        return (c.style & kPassword) != 0 ? "SecretLineEdit" : "QLineEdit";
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
        return "QPushButton";
    case ControlKind::AutoRadioButton:
        return "QRadioButton";
    case ControlKind::AutoCheckBox:
        return "QCheckBox";
    case ControlKind::GroupBox:
        return "QGroupBox";
    case ControlKind::Text:
    case ControlKind::Icon:
        return "QLabel";
    }
    return "";
}

// The widgets Tab visits, in order, starting at the first one.
std::vector<QWidget*> TabChain(QWidget* first) {
    std::vector<QWidget*> chain;
    QWidget* w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->isEnabled() &&
            w != first->window())
            chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != first && chain.size() < 100);
    return chain;
}

} // namespace

class DialogBuildTest : public QObject {
    Q_OBJECT

  private slots:
    void controlsFollowTheTemplate_data() {
        QTest::addColumn<int>("templateId");
        QTest::newRow("main") << IDD_MAIN;
        QTest::newRow("about") << IDD_ABOUTBOX;
        QTest::newRow("options") << IDD_OPTIONS;
    }

    void controlsFollowTheTemplate() {
        QFETCH(int, templateId);
        QtWindowSystem system;
        ProbeWindow probe(system, templateId);
        const DialogTemplate* t = FindDialogTemplate(templateId);
        QVERIFY(t != nullptr);
        HostDialog* dlg = probe.window.Widget();
        const QSize base = probe.window.BaseUnits();

        QCOMPARE(dlg->windowTitle(), QString::fromLatin1(t->caption));
        const QSize size = DialogUnitsToPixels(0, 0, t->cx, t->cy, base).size();
        QCOMPARE(dlg->minimumSize(), size);
        QCOMPARE(dlg->maximumSize(), size);

        for (const ControlTemplate& c : t->controls) {
            if (c.id == IDC_STATIC)
                continue;
            const QString where = QStringLiteral("control %1").arg(c.id);
            QWidget* w = probe.window.Control(c.id);
            QVERIFY2(w != nullptr, qPrintable(where));
            QVERIFY2(w->inherits(KindClass(c)), qPrintable(where));
            QCOMPARE(QString::fromStdString(probe.window.GetItemText(c.id)),
                     QString::fromLatin1(c.text));
            QCOMPARE(w->isEnabled(), (c.style & kDisabled) == 0);
            QCOMPARE(w->geometry(), DialogUnitsToPixels(c.x, c.y, c.cx, c.cy, base));
            QCOMPARE((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus, (c.style & kTabStop) != 0);
            if (auto* button = qobject_cast<QPushButton*>(w)) {
                QCOMPARE(button->isDefault(), c.kind == ControlKind::DefPushButton);
                // The & in a caption is an Alt shortcut.
                QCOMPARE(button->shortcut(), QKeySequence::mnemonic(button->text()));
            }
            if (auto* button = qobject_cast<QAbstractButton*>(w);
                button && button->text().contains('&'))
                QVERIFY2(!button->shortcut().isEmpty(), qPrintable(where));
            if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                QCOMPARE(edit->echoMode() == QLineEdit::Password, (c.style & kPassword) != 0);
                QCOMPARE(edit->isReadOnly(), (c.style & kReadOnly) != 0);
            }
        }

        // Static texts are shown as written.
        QStringList labels;
        for (QLabel* label : dlg->findChildren<QLabel*>())
            labels << label->text();
        for (const ControlTemplate& c : t->controls)
            if (c.kind == ControlKind::Text)
                QVERIFY2(labels.contains(QString::fromLatin1(c.text)), c.text);

        // Tab visits the tab stops in template order, and only those.
        std::vector<int> expected;
        for (const ControlTemplate& c : t->controls)
            if ((c.style & kTabStop) != 0 && (c.style & kDisabled) == 0)
                expected.push_back(c.id);
        std::vector<int> visited;
        for (QWidget* w : TabChain(probe.window.Control(expected.front())))
            visited.push_back(w->property("vennoxId").toInt());
        QCOMPARE(visited, expected);

        // Nothing the user works with overlaps or leaves the window.
        const QRect client(QPoint(0, 0), size);
        const std::vector<QWidget*>& stops = probe.window.TabOrder();
        for (std::size_t i = 0; i < stops.size(); ++i) {
            QVERIFY(client.contains(stops[i]->geometry()));
            for (std::size_t j = i + 1; j < stops.size(); ++j)
                QVERIFY(!stops[i]->geometry().intersects(stops[j]->geometry()));
        }
    }

    void mainWindowIsAMinimisableTopLevel() {
        QtWindowSystem system;
        ProbeWindow main(system, IDD_MAIN);
        const Qt::WindowFlags flags = main.window.Widget()->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Window);
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(main.window.Widget()->windowTitle(), QStringLiteral("Vennox"));

        ProbeWindow options(system, IDD_OPTIONS);
        QCOMPARE(options.window.Widget()->windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
        QVERIFY(!options.window.Widget()->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    }

    void aboutBoxShowsTheIconAndWholeLines() {
        QtWindowSystem system;
        ProbeWindow about(system, IDD_ABOUTBOX);
        bool iconShown = false;
        for (QLabel* label : about.window.Widget()->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) {
                iconShown = true;
                QCOMPARE(label->size(), QSize(32, 32));
            } else if (!label->wordWrap()) {
                // A one-line text is never cut short by its rectangle.
                QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()),
                         qPrintable(label->text()));
            }
        }
        QVERIFY(iconShown);
        QVERIFY(!system.Icon(system.LoadIcon(IDR_MAINFRAME)).isNull());
    }

    void baseUnitsFollowTheFont() {
        // A wider font gives a wider dialog: the layout scales with the font.
        QFont small(QStringLiteral("DejaVu Sans"));
        small.setPointSize(8);
        QFont large = small;
        large.setPointSize(16);
        const QSize a = DialogBaseUnits(small);
        const QSize b = DialogBaseUnits(large);
        QVERIFY(a.width() > 0 && a.height() > 0);
        QVERIFY(b.width() > a.width());
        QVERIFY(b.height() > a.height());
        // 4 horizontal and 8 vertical dialog units are one base unit each.
        QCOMPARE(DialogUnitsToPixels(4, 8, 4, 8, a), QRect(QPoint(a.width(), a.height()), a));
    }
};

QObject* MakeDialogBuildTest() {
    return new DialogBuildTest;
}

#include "DialogBuildTest.moc"
