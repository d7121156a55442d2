#include "StimulusBatch.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "Operation.h"

namespace velora::catalog {

namespace {

using S = BatchStep;

// Edges: the Laplacian, then the negative.
#define EDGES S::Laplacian, S::Negative

const std::vector<BatchItem> kRealItems = {
    {0, "00 Original Image in Raw", "00 Original Image in Raw.bmp", {}},
    {1, "01 Scaling 1.8", "01 Scaling 1.8.bmp", {S::Scaling}},
    {2, "02 Levels of Gray", "02 Levels of Gray.bmp", {S::LevelsOfGray}},
    {3, "03 256 Levels of Gray + Laplacian (5)", "03 256 Levels of Gray + Laplacian (5).bmp", {S::Gray256, S::Laplacian}},
    {4, "04 256 Levels of Gray + Edges(Laplacian (5) + Negative)",
     "04 256 Levels of Gray + Edges(Laplacian (5) + Negative).bmp", {S::Gray256, EDGES}},
    {5, "05 Scaling 1.8 + Levels of Gray", "05 Scaling 1.8 + Levels of Gray.bmp", {S::Scaling, S::LevelsOfGray}},
    {6, "06 Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative)",
     "06 Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative.bmp", {S::Scaling, S::Gray256, EDGES}},
    {7, "07 Scotoma ", "07 Scotoma.bmp", {S::Scotoma}},
    {8, "08 Scaling 1.8 + Scotoma ", "08 Scaling 1.8 + Scotoma.bmp", {S::Scaling, S::ScotomaScaled}},
    {9, "09 256 Levels of Gray + Edges(Laplacian (5) + Negative) + Scotoma ",
     "09 256 Levels of Gray + Edges(Laplacian (5) + Negative) + Scotoma.bmp", {S::Gray256, EDGES, S::Scotoma}},
    {10, "10 Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative) + Scotoma ",
     "10 Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative) + Scotoma.bmp",
     {S::Scaling, S::Gray256, EDGES, S::ScotomaScaled}},
    {11, "11 Translation ", "11 Translation.bmp", {S::Translation}},
    {12, "12 Translation + Scaling 1.8 ", "12 Translation + Scaling 1.8.bmp", {S::Translation, S::Scaling}},
    {13, "13 Translation + Scaling 1.8 + 256 Levels of Gray ", "13 Translation + Scaling 1.8 + 256 Levels of Gray.bmp",
     {S::Translation, S::Scaling, S::Gray256}},
    {14, "14 Translation + Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative) ",
     "14 Translation + Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative).bmp",
     {S::Translation, S::Scaling, S::Gray256, EDGES}},
    {15, "15 Translation + 256 Levels of Gray ", "15 Translation + 256 Levels of Gray.bmp", {S::Translation, S::Gray256}},
    {16, "16 Translation + 256 Levels of Gray + Edges(Laplacian (5) + Negative)",
     "16 Translation + 256 Levels of Gray + Edges(Laplacian (5) + Negative).bmp", {S::Translation, S::Gray256, EDGES}},
    {17, "17 Bands of Gray Levels", "17 {N} Bands of Gray Levels.bmp", {S::Bands}},
    {18, "18 Bands of Gray Levels + Scaling 1.8", "18 {N} Bands of Gray Levels + Scaling 1.8.bmp", {S::Bands, S::Scaling}},
    {19, "19 Bands of Gray Levels + Edges(Laplacian (5) + Negative)",
     "19 {N} Bands of Gray Levels + Edges(Laplacian (5) + Negative).bmp", {S::Bands, EDGES}},
    {20, "20 Bands of Gray Levels + Scotoma", "20 {N} Bands of Gray Levels + Scotoma.bmp", {S::Bands, S::Scotoma}},
    {21, "21 Bands of Gray Levels + Scaling 1.8 + Edges(Laplacian (5) + Negative)",
     "21 {N} Bands of Gray Levels + Scaling 1.8 + Edges(Laplacian (5) + Negative).bmp", {S::Bands, S::Scaling, EDGES}},
    {22, "22 Bands of Gray Levels + Scaling 1.8 + Scotoma", "22 {N} Bands of Gray Levels + Scaling 1.8 + Scotoma.bmp",
     {S::Bands, S::Scaling, S::ScotomaScaled}},
    {23, "23 Bands of Gray Levels + Scotoma + Edges(Laplacian (5) + Negative)",
     "23 {N} Bands of Gray Levels + Scotoma + Edges(Laplacian (5) + Negative).bmp", {S::Bands, S::Scotoma, EDGES}},
    {24, "24 Bands of Gray Levels + Scaling 1.8 + Edges(Laplacian (5) + Negative) + Scotoma",
     "24 {N} Bands of Gray Levels + Scaling 1.8 + Edges(Laplacian (5) + Negative) + Scotoma.bmp",
     {S::Bands, S::Scaling, EDGES, S::ScotomaScaled}},
    {25, "25 Bands of Gray Levels + Translation", "25 {N} Bands of Gray Levels + Translation.bmp", {S::Bands, S::Translation}},
    {26, "26 Bands of Gray Levels + Translation + Scaling 1.8", "26 {N} Bands of Gray Levels + Translation + Scaling 1.8.bmp",
     {S::Bands, S::Translation, S::Scaling}},
    {27, "27 Bands of Gray Levels + Translation + Edges(Laplacian (5) + Negative)",
     "27 {N} Bands of Gray Levels + Translation + Edges(Laplacian (5) + Negative).bmp", {S::Bands, S::Translation, EDGES}},
    {28, "28 Bands of Gray Levels + Translation + + Scaling 1.8 + Edges(Laplacian (5) + Negative)",
     "28 {N} Bands of Gray Levels + Translation + Scaling 1.8 + Edges(Laplacian (5) + Negative).bmp",
     {S::Bands, S::Translation, S::Scaling, EDGES}},
};

// Every item but the first starts from the gray copy.
const std::vector<BatchItem> kTextItems = {
    {0, "00 Original Image in raw", "00 Original Image in Raw.bmp", {}},
    {0, "00 Original Image in Raw - 256 Levels of Gray", "00 Original Image in Raw - 256 Levels of Gray.bmp", {S::TextGray}},
    {1, "01 Scaling 1.8", "01 Scaling 1.8.bmp", {S::TextGray, S::Scaling}},
    {2, "02 Edges(Laplacian (5) + Negative)", "02 Edges(Laplacian (5) + Negative).bmp", {S::TextGray, S::EightBits, EDGES}},
    {3, "03 Scotoma ", "03 Scotoma.bmp", {S::TextGray, S::Scotoma}},
    {4, "04 Scaling 1.8 + Edges(Laplacian (5) + Negative)", "04 Scaling 1.8 + Edges(Laplacian (5) + Negative).bmp",
     {S::TextGray, S::Scaling, EDGES}},
    {5, "05 Scaling 1.8 + Scotoma ", "05 Scaling 1.8 + Scotoma.bmp", {S::TextGray, S::Scaling, S::ScotomaScaled}},
    {6, "06 Edges(Laplacian (5) + Negative) + Scotoma", "06 Edges(Laplacian (5) + Negative) + Scotoma.bmp",
     {S::TextGray, EDGES, S::Scotoma}},
    {7, "07 Scaling 1.8 + Edges(Laplacian (5) + Negative) + Scotoma ",
     "07 Scaling 1.8 + Edges(Laplacian (5) + Negative) + Scotoma.bmp", {S::TextGray, S::Scaling, EDGES, S::ScotomaScaled}},
    {8, "08 Translation ", "08 Translation.bmp", {S::TextGray, S::Translation}},
    {9, "09 Translation + Scaling 1.8 ", "09 Translation + Scaling 1.8.bmp", {S::TextGray, S::Translation, S::Scaling}},
    {10, "10 Translation + Edges(Laplacian (5) + Negative) ", "10 Translation + Edges(Laplacian (5) + Negative).bmp",
     {S::TextGray, S::Translation, EDGES}},
    {11, "11 Translation + Scaling 1.8 + Edges(Laplacian (5) + Negative) ",
     "11 Translation + Scaling 1.8 + Edges(Laplacian (5) + Negative).bmp", {S::TextGray, S::Translation, S::Scaling, EDGES}},
    {12, "12 Bands of Gray Levels", "12 {N} Bands of Gray Levels.bmp", {S::TextGray, S::Bands}},
    {13, "13 Bands of Gray Levels + Scaling 1.8", "13 {N} Bands of Gray Levels + Scaling 1.8.bmp",
     {S::TextGray, S::Bands, S::Scaling}},
};

#undef EDGES

// One library call through its declaration; a refusal is noted with the step as `velora apply` takes it.
void Call(CVelora& image, std::string_view name, std::initializer_list<double> values, std::vector<std::string>& unchanged,
          const MonitorGeometry* monitor = nullptr) {
    const Operation& op = *FindOperation(name);
    std::vector<ArgValue> args;
    for (double v : values) {
        if (op.params[args.size()].kind == ParamKind::Decimal) args.emplace_back(v);
        else args.emplace_back(std::int64_t(v));
    }
    Args a(std::move(args));
    if (monitor) a.SetMonitor(*monitor);
    if (const unsigned code = op.call(image, a))
        unchanged.push_back(StepText(op, a) + " left the image unchanged (result " + std::to_string(code) + ": " +
                            RefusalText(op, code) + ")");
}

// The batch scales the scotoma's centre and extents as it scales the image, truncating.
double Scaled(unsigned v, bool scaled) { return scaled ? double(unsigned(double(v) * 1.8)) : double(v); }

void Apply(CVelora& image, BatchStep step, const BatchSettings& s, std::vector<std::string>& unchanged) {
    switch (step) {
        case S::Scaling: Call(image, "Scale", {1.8, 1.8, 0}, unchanged); break;
        case S::LevelsOfGray: Call(image, "ColorToGray", {1}, unchanged); break;
        case S::Gray256:
            Call(image, "ColorToGray", {1}, unchanged);
            Apply(image, S::EightBits, s, unchanged);
            break;
        case S::Laplacian: Call(image, "PredefinedFilter", {62, 1, 2}, unchanged); break;
        case S::Negative: Call(image, "Negative", {1, 0, 0, 0}, unchanged); break;
        case S::Scotoma:
        case S::ScotomaScaled: {
            const ScotomaSettings& k = s.scotoma;
            const bool scaled = step == S::ScotomaScaled;
            // A vertical scotoma takes the file's centre with its coordinates exchanged.
            const unsigned column = k.type == 1 ? k.centreRow : k.centreColumn, row = k.type == 1 ? k.centreColumn : k.centreRow;
            Call(image, "Scotoma",
                 {double(k.type), Scaled(column, scaled), Scaled(row, scaled), Scaled(k.a, scaled), Scaled(k.b, scaled),
                  Scaled(k.c, scaled), Scaled(k.e, scaled), double(k.mode), 0, 0},
                 unchanged);
            break;
        }
        case S::Translation: {
            const TranslationSettings& t = s.translation;
            Call(image, "TranslateByAngle", {double(t.mode), 40, double(t.alpha), double(t.beta), double(t.background)},
                 unchanged, &s.monitor);
            break;
        }
        case S::Bands:
            if (!image.IsGray()) Call(image, "ColorToGray", {1}, unchanged);
            if (image.GetBitCount() < 8) Call(image, "ChangeColorDepth", {2}, unchanged);
            Call(image, "GrayBands", {double(s.bands)}, unchanged);
            break;
        case S::TextGray:
            if (!image.IsGray()) {
                Call(image, "ColorToGray", {1}, unchanged);
                Apply(image, S::EightBits, s, unchanged);
            }
            break;
        case S::EightBits:
            if (image.GetBitCount() >= 16) Call(image, "ChangeColorDepth", {2}, unchanged);
            break;
    }
}

// The items as a tree of chains: a node is a chain of steps from the input, its children the
// chains one step longer; the items sit on the node of their chain.
struct Node {
    BatchStep step{};  // from the parent (none for the root)
    std::vector<std::size_t> children;
    std::vector<std::size_t> items;
};

std::vector<Node> ChainTree(const std::vector<BatchItem>& items) {
    std::vector<Node> nodes(1);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::size_t at = 0;
        for (BatchStep step : items[i].steps) {
            std::size_t next = 0;
            for (std::size_t child : nodes[at].children)
                if (nodes[child].step == step) next = child;
            if (next == 0) {
                next = nodes.size();
                nodes[at].children.push_back(next);
                nodes.push_back(Node{step, {}, {}});
            }
            at = next;
        }
        nodes[at].items.push_back(i);
    }
    return nodes;
}

class BatchRun {
public:
    BatchRun(const std::vector<BatchItem>& items, const BatchSettings& settings, const std::string& folder,
             const BatchOptions& options)
        : m_items(items), m_nodes(ChainTree(items)), m_settings(settings), m_folder(folder), m_options(options) {
        for (const BatchItem& item : items) {
            BatchItemReport& report = m_reports.emplace_back();
            report.item = &item;
            report.fileName = BatchFileName(item, settings.bands);
        }
    }

    std::vector<BatchItemReport> Run(const CVelora& input) {
        m_tasks.push_back({0, input, {}});
        const unsigned threads = m_options.threads ? m_options.threads : CVelora::GetThreadCount();
        std::vector<std::thread> workers;
        for (unsigned t = 1; t < threads; ++t) workers.emplace_back([this] { Work(); });
        Work();
        for (auto& w : workers) w.join();
        return std::move(m_reports);
    }

private:
    struct Task {
        std::size_t node;
        CVelora image;  // the parent's result
        std::vector<std::string> unchanged;
    };

    bool Cancelled() const { return m_options.cancel && m_options.cancel->load(); }

    void Work() {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wake.wait(lock, [&] { return !m_tasks.empty() || m_busy == 0; });
            if (m_tasks.empty()) return;
            Task task = std::move(m_tasks.back());
            m_tasks.pop_back();
            if (Cancelled()) continue;
            ++m_busy;
            lock.unlock();
            std::vector<Task> children;
            try {
                children = Do(std::move(task));
            } catch (const std::bad_alloc&) {
                // The items of this chain and of every longer one stay unwritten.
                Fail(task.node, "not enough memory");
            }
            lock.lock();
            for (Task& child : children) m_tasks.push_back(std::move(child));
            --m_busy;
            m_wake.notify_all();
        }
    }

    std::vector<Task> Do(Task task) {
        const Node& node = m_nodes[task.node];
        if (m_options.observer)
            for (std::size_t i : node.items) Tell([&] { m_options.observer->ItemStarted(m_items[i]); });
        if (task.node != 0) Apply(task.image, node.step, m_settings, task.unchanged);
        for (std::size_t i : node.items) {
            BatchItemReport& report = m_reports[i];
            report.unchanged = task.unchanged;
            const std::string path = m_folder.empty() ? report.fileName : m_folder + "/" + report.fileName;
            const unsigned code = task.image.SaveBMP(path);
            report.outcome = code == 0 ? BatchItemReport::Outcome::Written : BatchItemReport::Outcome::NotWritten;
            if (code != 0) report.writeError = "the BMP writer failed with result " + std::to_string(code);
            Tell([&] { if (m_options.observer) m_options.observer->ItemEnded(report, ++m_done); });
        }
        std::vector<Task> children;
        if (Cancelled()) return children;
        for (std::size_t k = 0; k < node.children.size(); ++k) {
            const bool last = k + 1 == node.children.size();
            children.push_back({node.children[k], last ? std::move(task.image) : task.image, task.unchanged});
        }
        return children;
    }

    void Fail(std::size_t node, const std::string& why) {
        for (std::size_t i : m_nodes[node].items) {
            m_reports[i].outcome = BatchItemReport::Outcome::NotWritten;
            m_reports[i].writeError = why;
        }
        for (std::size_t child : m_nodes[node].children) Fail(child, why);
    }

    template <class F>
    void Tell(const F& f) {
        std::lock_guard lock(m_observerMutex);
        f();
    }

    const std::vector<BatchItem>& m_items;
    const std::vector<Node> m_nodes;
    const BatchSettings& m_settings;
    const std::string& m_folder;
    const BatchOptions& m_options;
    std::vector<BatchItemReport> m_reports;
    std::mutex m_mutex, m_observerMutex;
    std::condition_variable m_wake;
    std::vector<Task> m_tasks;  // last in, first out: a chain runs on before its siblings start
    unsigned m_busy = 0;
    std::size_t m_done = 0;
};

}  // namespace

const std::vector<BatchItem>& BatchItems(BatchBasis basis) { return basis == BatchBasis::Real ? kRealItems : kTextItems; }

std::string BatchFileName(const BatchItem& item, int bands) {
    return ReplaceKeys(item.fileName, {{"{N}", std::to_string(bands)}});
}

std::string BatchStatusText(const BatchItem& item) {
    std::string_view label = item.label;
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    return "Processing " + std::string(label);
}

std::vector<BatchItemReport> RunBatch(const CVelora& input, BatchBasis basis, const BatchSettings& settings,
                                      const std::string& folder, const BatchOptions& options) {
    return BatchRun(BatchItems(basis), settings, folder, options).Run(input);
}

}  // namespace velora::catalog
