// Opens the location window once on a fresh database, optionally moves and resizes
// it, prints where it is ("x y width height") and closes it. A test runs it twice to
// see the placement outlive the process.
#include <QApplication>
#include <QTest>

#include <cstdio>

#include "Location/Main.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestDatabase.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MessageBoxRecorder boxes;
    TestDatabase db;
    TfMain* form = TComBaseForm::Create<TfMain>(nullptr, &db.Session(), db.Schema());
    form->show();
    if (!QTest::qWaitForWindowExposed(form)) return 3;
    if (argc == 5) {
        form->move(QString(argv[1]).toInt(), QString(argv[2]).toInt());
        form->resize(QString(argv[3]).toInt(), QString(argv[4]).toInt());
    }
    std::printf("%d %d %d %d\n", form->x(), form->y(), form->width(), form->height());
    std::fflush(stdout);
    // Someone may want to look at it first.
    if (const int hold = qEnvironmentVariableIntValue("QXV_PROBE_HOLD_MS"); hold > 0)
        QTest::qWait(hold);
    form->close();
    TComBaseForm::Free(form);
    return boxes.Count() == 0 ? 0 : 2;
}
