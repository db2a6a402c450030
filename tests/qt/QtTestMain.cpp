#include "tests/qt/QtTestSupport.h"

#include <QApplication>
#include <QTest>

#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    int failed = 0;
    for (auto make : {MakeDialogBuildTest, MakeLayerTest, MakeProgramTest}) {
        std::unique_ptr<QObject> test(make());
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
