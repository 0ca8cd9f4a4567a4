// The protocol grid with large and hostile backups (offscreen): the time from reading the
// backup to a painted window with 1,000, 10,000 and 100,000 rows (goal: 100,000 rows within
// 300 ms), and a backup whose header holds one 2 MB field (goal: loaded, painted and the
// window answering within 2 s).
#include "protocol/Protocol.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/SortGrid.h"
#include "support/ManualClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

using namespace vk;

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string backupWithRows(int rows) {
    std::string s = "Nr.\tName\tVorname\tKl.\tRZ\tZZ\tKm/h\tFZ\tGeszeit\tWin\tPlatz\t\r\n";
    for (int r = 1; r <= rows; ++r)
        s += std::to_string(r) + "\tMüller " + std::to_string(r) +
             "\tJürgen\t3\t0,512\t2,100\t88,123\t5,123\t6,001\t+\t \t\r\n";
    return s;
}

// Processor time of the whole process: the work, without the time a busy machine gave to
// others.
double processCpuMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Reads the backup into a shown protocol window and paints it; the milliseconds it took, and
// how long a queued call then waited for the event loop.
void measure(const char* what, const std::string& path) {
    CellTable table;
    test::ScriptedDialogs dialogs;
    Protocol protocol(table, dialogs);
    QWidget window;
    auto* panel = new ProtocolPanel(protocol, dialogs, nullptr, &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(panel->toolBar());
    layout->addWidget(panel->grid());
    window.resize(1000, 700);

    QElapsedTimer t;
    t.start();
    const double cpu0 = processCpuMs();
    protocol.ReadProtocolText(path);
    window.show();
    window.grab(); // paints every visible cell and the header
    const qint64 shown = t.elapsed();
    const double cpu = processCpuMs() - cpu0;
    QElapsedTimer answer;
    answer.start();
    qint64 waited = -1;
    QTimer::singleShot(0, [&] { waited = answer.elapsed(); });
    while (waited < 0)
        QApplication::processEvents();
    std::printf("%-34s on screen after %5lld ms (processor %5.0f ms); the event loop then "
                "answered in %lld ms\n",
                what, static_cast<long long>(shown), cpu, static_cast<long long>(waited));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char folder[] = "/tmp/vk-grid-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const std::string path = std::string(folder) + "/Velkoran-Sicherungsdatei.txt";
    for (int rows : {1000, 10000, 100000}) {
        writeFile(path, backupWithRows(rows));
        const std::string what = std::to_string(rows) + "-row backup:";
        measure(what.c_str(), path);
    }
    writeFile(path, "Nr.\t" + std::string(2'000'000, 'W') + "\tVorname\t\r\n1\tA\t\r\n" +
                        std::string(2'000'000, 'x') + "\tB\t\r\n");
    measure("2 MB header field and 2 MB cell:", path);
    std::filesystem::remove_all(folder);
    return 0;
}
