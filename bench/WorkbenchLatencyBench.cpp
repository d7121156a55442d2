// From a slider move in an operation dialog to the repainted image window, in the real main
// window: a 2048 x 2048 24-bit random image, the tool windows open as configured by default,
// the dialog's control moved programmatically through many values. Each move is timed until
// the view has painted and the events it caused (tool-window refreshes and their paints) are
// done. Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
//
//   velora_workbench_bench [moves per case] [only the cases whose name holds this text]
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "CommandIds.h"
#include "Configuration.h"
#include "CustomDialogs.h"
#include "DialogTable.h"
#include "GenericOperationDialog.h"
#include "InstallDialogs.h"
#include "MainFrame.h"
#include "Startup.h"
#include "ToolWindowHost.h"
#include "View.h"

namespace {

constexpr int kSide = 2048;

// Counts the paints of every widget, and of one of them (the view's viewport) apart.
class PaintCounter : public QObject {
public:
    QObject* watched = nullptr;
    long watchedPaints = 0, allPaints = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++allPaints;
            if (object == watched) ++watchedPaints;
        }
        return false;
    }
};

// Runs the event loop until nothing is left to do (a cap keeps a ticking timer from holding it).
void Drain() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int i = 0; i < 50 && dispatcher->processEvents(QEventLoop::AllEvents); ++i) {
    }
}

struct Result {
    double min = 0, median = 0;
    double cpuMin = 0, cpuMedian = 0;  // this thread's processor time: what a shared machine's load leaves out
    double paintsPerMove = 0;
};

double ThreadCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Times every move: the change, then the event loop until the view has painted and nothing
// it caused is left.
Result Measure(PaintCounter& counter, int moves, const std::function<void(int)>& move) {
    std::vector<double> times, cpu;
    const long allBefore = counter.allPaints;
    for (int i = 0; i < moves; ++i) {
        const long before = counter.watchedPaints;
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuMilliseconds();
        move(i);
        QElapsedTimer guard;
        guard.start();
        while (counter.watchedPaints == before && guard.elapsed() < 2000)
            QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
        Drain();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(ThreadCpuMilliseconds() - cpuStart);
        if (counter.watchedPaints == before) {
            std::fprintf(stderr, "the view did not repaint after move %d\n", i);
            std::exit(1);
        }
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times.front(), times[times.size() / 2], cpu.front(), cpu[cpu.size() / 2],
            double(counter.allPaints - allBefore) / moves};
}

// The operation alone as the preview runs it (the image restored from its copy, then the
// operation): what a move costs before the workbench shows anything.
Result MeasureOperation(const CVelora& original, int moves, const std::function<void(CVelora&, int)>& operation) {
    CVelora image = original;
    std::vector<double> times, cpu;
    for (int i = 0; i < moves; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuMilliseconds();
        image = original;
        operation(image, i);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(ThreadCpuMilliseconds() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times.front(), times[times.size() / 2], cpu.front(), cpu[cpu.size() / 2], 0};
}

void Print(const char* name, const Result& r) {
    std::printf("%-46s min %7.2f ms  median %7.2f ms  (processor: min %7.2f, median %7.2f)", name, r.min, r.median,
                r.cpuMin, r.cpuMedian);
    if (r.paintsPerMove > 0) std::printf("  paints/move %.1f", r.paintsPerMove);
    std::printf("\n");
    std::fflush(stdout);
}

void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        Drain();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's settings (dock places, recent files) and configuration stay untouched.
    QTemporaryDir scratch;
    if (!scratch.isValid()) return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path()));
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    velora::ui::PrepareApplication();
    const int moves = argc > 1 ? std::max(3, std::atoi(argv[1])) : 60;
    const std::string only = argc > 2 ? argv[2] : "";
    const auto wanted = [&only](const std::string& name) { return name.find(only) != std::string::npos; };

    std::vector<std::uint8_t> bits(std::size_t(CVelora::GetImageSize(kSide, kSide, 24)));
    std::mt19937 random(11u);
    for (auto& b : bits) b = std::uint8_t(random());
    const std::string path = QFile::encodeName(scratch.filePath("latencia.bmp")).toStdString();
    if (CVelora(bits.data(), nullptr, kSide, kSide, 24).SaveBMP(path) != 0) return 1;

    CConfiguration configuration(QFile::encodeName(scratch.path()).toStdString());
    configuration.switches = CConfiguration::Defaults();  // the tool windows open with the first image
    configuration.switches.stepByStep = 0;
    CMainFrame frame(configuration);
    InstallDialogCommands(frame, frame.Workbench());
    frame.resize(1400, 1000);
    frame.show();
    if (!frame.OpenFile(QString::fromStdString(path))) return 1;
    Settle(300);
    CUtilidadView* view = frame.ActiveView();
    const CVelora original = view ? view->Document().Image() : CVelora();
    if (!view || !frame.Tools().Find(kCmdHistogram)) {
        std::fprintf(stderr, "the image or its tool windows did not open\n");
        return 1;
    }
    PaintCounter counter;
    counter.watched = view->viewport();
    app.installEventFilter(&counter);
    std::printf("%d x %d, 24 bits; view %d x %d; %d moves per case\n", kSide, kSide, view->viewport()->width(),
                view->viewport()->height(), moves);

    const auto brightness = [&](const char* name) {
        if (!wanted(name)) return;
        frame.SetColorModel(kModelRGB);
        auto dialog = MakeOperationDialog(kCmdBrightness, view);
        dialog->show();
        Settle(100);
        QSlider* slider = static_cast<CGenericOperationDialog*>(dialog.get())->SliderEdit("percent")->Slider();
        const auto percent = [](int i) { return (i * 37) % 201 - 100; };
        Print(name, Measure(counter, moves, [&](int i) { slider->setValue(percent(i)); }));
        Print("  the operation alone",
              MeasureOperation(original, moves, [&](CVelora& image, int i) { image.Brightness(percent(i)); }));
        dialog->reject();
        Settle(100);
    };
    brightness("brightness, image information in front");
    if (QDockWidget* dock = frame.Tools().DockOf(kCmdHistogram)) dock->raise();
    Settle(100);
    brightness("brightness, histogram in front");

    if (const char* name = "non-linear contrast, HSV, histogram in front"; wanted(name)) {
        frame.SetColorModel(kModelHSV);
        auto dialog = MakeOperationDialog(kCmdNonLinear, view);
        dialog->show();
        Settle(100);
        auto* contrast = static_cast<CGenericOperationDialog*>(dialog.get());
        if (QCheckBox* preview = contrast->previewBox(); preview && !preview->isChecked()) preview->click();
        Settle(100);
        std::vector<QAbstractButton*> functions;
        for (QAbstractButton* radio : contrast->ChoiceGroup("function")->buttons()) functions.push_back(radio);
        const auto function = [&](int i) { return int(std::size_t(i + 1) % functions.size()); };
        Print(name, Measure(counter, moves, [&](int i) { functions[std::size_t(function(i))]->click(); }));
        Print("  the operation alone", MeasureOperation(original, moves, [&](CVelora& image, int i) {
                  image.NonLinearContrast(kModelHSV, function(i), contrast->DecimalEdit("alpha")->Value());
              }));
        dialog->reject();
        Settle(100);
    }
    app.removeEventFilter(&counter);
    return 0;
}
