// The stimulus batch: from one image, a fixed numbered set of BMP files for visual-field
// experiments, each a chain of building blocks (scaling by 1.8, gray levels, edges, the
// scotoma, a translation by a visual angle, gray bands). Two lists: one on the real image,
// one on its 256-level gray copy (for text images).
//
// Items run on several threads where they are independent; an item that starts from another
// item's image takes it from memory, and a chain that several items share is computed once.
// A front end runs Run off its own thread and hears of each item through CBatchObserver.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BatchSettings.h"
#include "CVelora.h"

namespace velora::catalog {

enum class BatchBasis { Real = 0, Text = 1 };

// The building blocks; a step is one library call (the edges are Laplacian then Negative).
enum class BatchStep {
    Scaling,         // Scale by 1.8 and 1.8
    LevelsOfGray,    // ColorToGray method 1
    Gray256,         // ColorToGray method 1, then to 8 bits from 16 or more
    Laplacian,       // predefined filter 62, MINMAX, replicated borders
    Negative,        // of the luminance
    Scotoma,         // the file's scotoma, filled with black
    ScotomaScaled,   // the same with its centre and extents times 1.8, truncated
    Translation,     // by the file's visual angle at 40 cm
    Bands,           // to gray, to 8 bits from 1 or 4, then the file's number of bands
    TextGray,        // the text list's gray copy: to gray if it is not, then to 8 bits from 16 or more
    EightBits,       // to 8 bits from 16 or more
};

struct BatchItem {
    int number = 0;
    std::string_view label;     // as the list shows it
    std::string_view fileName;  // {N} stands for the number of bands
    std::vector<BatchStep> steps;  // from the input image, in order
};

// Every item of a list, in order (the text list's item 00 makes two files, two entries).
const std::vector<BatchItem>& BatchItems(BatchBasis basis);
// The file name with N put in.
std::string BatchFileName(const BatchItem& item, int bands);
// "Processing 07 Scotoma".
std::string BatchStatusText(const BatchItem& item);
inline constexpr std::string_view kBatchEndedText = "Ended Generation of Images";
// What the text list's first line says before its labels.
inline constexpr std::string_view kTextBasisNote = "THE INPUT IMAGE WILL BE TRANSFORMED TO ONE IN 256 LEVELS OF GRAY";

struct BatchSettings {
    TranslationSettings translation;
    ScotomaSettings scotoma;
    int bands = 0;
    MonitorGeometry monitor;  // the translation's screen
};

// How one item ended.
struct BatchItemReport {
    const BatchItem* item = nullptr;
    std::string fileName;
    enum class Outcome { Written, NotWritten, Cancelled } outcome = Outcome::Cancelled;
    // Steps that left the image as it was: "Scotoma refused the image (result 2: ...)".
    std::vector<std::string> unchanged;
    std::string writeError;  // NotWritten: why
};

// Hears of the run; called on the run's threads, one call at a time.
class CBatchObserver {
public:
    virtual ~CBatchObserver() = default;
    virtual void ItemStarted(const BatchItem& /*item*/) {}
    // done: how many items have ended so far, this one included.
    virtual void ItemEnded(const BatchItemReport& /*report*/, std::size_t /*done*/) {}
};

struct BatchOptions {
    unsigned threads = 0;  // 0: CVelora::GetThreadCount()
    const std::atomic<bool>* cancel = nullptr;  // set: the items under way end, no other starts
    CBatchObserver* observer = nullptr;
};

// Runs the list on input and writes each item into folder (each file whole or not at all).
// The reports follow the list's order.
std::vector<BatchItemReport> RunBatch(const CVelora& input, BatchBasis basis, const BatchSettings& settings,
                                      const std::string& folder, const BatchOptions& options = {});

}  // namespace velora::catalog
