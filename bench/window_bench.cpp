// 计算 pressed in the real window on a gauging of 40 verticals, with the section picture open and
// the uncertainty in the status bar, beside the computation alone: what the window adds to a
// press must stay small (at most as much again as the computation itself). And 打印预览 of a
// computed 25-vertical gauging, from the menu to the dialog shown with its pages drawn (at most
// 100 ms).
#include "app/program_folder.hpp"
#include "app/qt/main_window.hpp"
#include "compute/compute.hpp"
#include "files/gauging_file.hpp"
#include "files/gbk.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using namespace tarnelo;

// Velocity verticals at every other row between two water edges, 2.5 m apart.
Gauging section(int verticals) {
    Gauging gauging;
    for (int r = 0; r < verticals; ++r) {
        const bool edge = r == 0 || r == verticals - 1;
        GaugingRow row;
        row.distance = num::plainText(r * 2.5);
        row.depth = edge ? "0" : num::plainText(0.8 + (r % 7) * 0.15);
        if (!edge && r % 2 == 1) {
            row.relative = r % 3 == 0 ? "0.0" : "0.6";
            row.signalCount = num::plainText(10 + r % 9);
            row.seconds = num::plainText(100 + r % 13);
        }
        gauging.rows.push_back(row);
    }
    return gauging;
}

// A window made as start-up makes it, in a program folder of its own, every question answered
// yes and every message dropped.
struct OpenWindow {
    QTemporaryDir dir;
    std::filesystem::path folder;
    std::unique_ptr<MainWindow> window;

    explicit OpenWindow(const Gauging& gauging) {
        folder = dir.path().toStdString();
        for (const char* sub : {"Data", "Text data", "excel"}) {
            std::filesystem::create_directories(folder / sub);
        }
        const std::filesystem::path file = folder / "Text data" / "bench.dat";
        std::ofstream(file, std::ios::binary)
            << gaugingFileBytes(gauging, kDefaultRecordHeader).bytes.value();
        // The templates of the program's Data folder, as the installed program has them.
        for (const char* form : {"moduleexcel_1.dat", "moduleexcel_2.dat"}) {
            std::filesystem::copy_file(executableFolder() / "Data" / form, folder / "Data" / form);
        }
        window = std::make_unique<MainWindow>(folder);
        MainWindow::Answerer answerer;
        answerer.message = [](const std::string&, const std::string&, MessageIcon) {};
        answerer.question = [](const std::string&, const std::string&) { return true; };
        // A dialog is closed as soon as it is shown (a preview has drawn its pages by then).
        answerer.modal = [](QDialog& dialog) { dialog.reject(); };
        window->setAnswerer(answerer);
        window->create();
        window->show();
        window->openFile(file);
        window->showSectionPlot();
    }

    void pressCompute() const {
        window->findChild<QAbstractButton*>(QStringLiteral("计算"))->click();
    }
};

void BM_WindowCompute40(benchmark::State& state) {
    OpenWindow open(section(40));
    for (auto _ : state) {
        open.pressCompute();
    }
}
BENCHMARK(BM_WindowCompute40)->Unit(benchmark::kMicrosecond);

void BM_PrintPreviewOpens25(benchmark::State& state) {
    OpenWindow open(section(25));
    open.pressCompute();
    QAction* preview = open.window->findChild<QAction*>(QStringLiteral("打印预览"));
    for (auto _ : state) {
        preview->trigger();
    }
}
BENCHMARK(BM_PrintPreviewOpens25)->Unit(benchmark::kMillisecond);

void BM_ComputeAlone40(benchmark::State& state) {
    const Gauging gauging = section(40);
    for (auto _ : state) {
        const Computation computation = compute(gauging);
        benchmark::DoNotOptimize(computation.results[res::断面流量].data());
    }
}
BENCHMARK(BM_ComputeAlone40)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
