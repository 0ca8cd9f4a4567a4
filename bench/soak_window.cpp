// The window part of the soak: the real main window (offscreen, scripted platform, fake port)
// through a whole evening of heats as an operator runs them: start numbers typed into the
// lanes, start, four imitated passes on each lane, reset, with the audience window open.
// Prints the memory in use every 100 heats; after the first few hundred it must stay flat.
#include "app/Program.h"
#include "app/TestPlatform.h"
#include "display/FrTimer.h"
#include "display/LbSpeedButton.h"
#include "protocol/CellTable.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <malloc.h>

using namespace vk;

long residentKb(); // soak.cpp

namespace {

// What the program holds on the heap, without what the allocator keeps for later.
long HeapKb() {
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

void Run(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int SoakWindow(int argc, char** argv, int heats) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    test::TestPlatform platform;
    auto program = platform.start(dir.filePath(QStringLiteral("Velkoran")).toStdString());
    TFormMain& w = program->main();
    auto key = [&w](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&w, k, m);
    };
    key(Qt::Key_M, Qt::ControlModifier); // the audience window, as at a real event
    // On the one offscreen screen it would take the keyboard; at the track it has a screen of
    // its own and the keys stay with the main window.
    w.activateWindow();
    for (int i = 0; i < 100 && !w.isActiveWindow(); ++i)
        Run(10);

    std::printf("window soak: %d heats, 200 drivers, audience window open\n", heats);
    std::printf("  heats   heap kB   resident kB\n");
    int byPasses = 0;
    long heapAt200 = 0, heapEnd = 0;
    for (int n = 0; n < heats; ++n) {
        // The stop barriers stay locked 500 ms after a stop (real timers): every 20th heat
        // waits that out and is stopped by its passes, the others by F8 and F9.
        if (n % 20 == 0)
            Run(520);
        w.FrameT1->editStartN1->setValue(1 + (2 * n) % 200);
        w.FrameT2->editStartN1->setValue(2 + (2 * n) % 200);
        key(Qt::Key_F5);
        for (int k = 0; k < 4; ++k) {
            Run(2); // the lane clocks run and redraw between passes
            QTest::mouseClick(w.bImit2, Qt::LeftButton);
            QTest::mouseClick(w.bImit3, Qt::LeftButton);
        }
        Run(1);
        if (!w.race().anyClockRunning())
            ++byPasses;
        key(Qt::Key_F8);
        key(Qt::Key_F9);
        key(Qt::Key_F7);
        QCoreApplication::processEvents();
        if ((n + 1) % 100 == 0) {
            const long heap = HeapKb();
            std::printf("  %5d   %7ld   %11ld\n", n + 1, heap, residentKb());
            std::fflush(stdout);
            if (n + 1 == 200)
                heapAt200 = heap;
            heapEnd = heap;
        }
    }
    std::printf("heats: %d (%d stopped by their fourth pass), protocol rows: %d\n", heats, byPasses,
                w.table().RowCount() - 1);
    if (heats > 200)
        std::printf("heap growth after heat 200: %+.1f kB per 100 heats\n",
                    static_cast<double>(heapEnd - heapAt200) / ((heats - 200) / 100.0));
    const bool allRaced = w.bSTART->isEnabled();
    program.reset();
    return allRaced && byPasses > 0 ? 0 : 1;
}
