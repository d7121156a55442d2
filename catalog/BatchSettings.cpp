#include "BatchSettings.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

namespace velora::catalog {

namespace {

// Keys of the parameters that the declarations hold.
std::string_view KeyOf(std::string_view operation, std::string_view param) {
    return FindOperation(operation)->FindParam(param)->fileKey;
}

// The scotoma file's own lines, besides its parameters' keys.
constexpr std::string_view kHorizontal = "HORIZONTAL", kVertical = "VERTICAL";
constexpr std::string_view kWithLoss = "WITH LOSS OF VISUAL FIELD", kWithoutLoss = "WITHOUT LOSS OF VISUAL FIELD";
constexpr std::string_view kMonitorKey = "MONITOR=", kMain = "MAIN", kSecondary = "SECONDARY";
constexpr std::string_view kAlphaLeftKey = "LEFT ANGLE OF ALPHA=", kAlphaRightKey = "RIGHT ANGLE OF ALPHA=";
constexpr std::string_view kBetaLowKey = "LOW ANGLE OF BETA=", kBetaTopKey = "TOP ANGLE OF BETA=";
// The translation file's fixed lines.
constexpr std::string_view kNewSize = "NEW IMAGE SIZE", kOriginalSize = "ORIGINAL IMAGE SIZE";
constexpr std::string_view kDistanceLine = "DISTANCE = 40 cm";

std::string Decimal4(float v) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, double(v), std::chars_format::fixed, 4);
    return std::string(text, r.ptr);
}

// The lines of a file: CR LF or LF after each, the last one's optional.
std::vector<std::string_view> Lines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        bytes = end == std::string_view::npos ? std::string_view{} : bytes.substr(end + 1);
    }
    return lines;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Reads the lines in order, each checked against what is expected of it; the first fault stays.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : m_lines(Lines(bytes)) {}

    // The value after key on the next line; nullopt (and the fault) when the line is missing
    // or has another key.
    std::optional<std::string_view> Value(std::string_view key) {
        const std::optional<std::string_view> line = Next();
        if (!line) return std::nullopt;
        if (line->substr(0, key.size()) != key) return Fail("expected \"" + std::string(key) + "\"");
        return Trimmed(line->substr(key.size()));
    }
    // The next line, which must be one of the texts: its index.
    std::optional<std::size_t> OneOf(std::string_view key, std::initializer_list<std::string_view> texts) {
        const std::optional<std::string_view> value = key.empty() ? Next() : Value(key);
        if (!value) return std::nullopt;
        std::size_t i = 0;
        std::string expected;
        for (std::string_view t : texts) {
            if (*value == t) return i;
            expected += (i++ ? " or \"" : "\"") + std::string(key) + std::string(t) + "\"";
        }
        return Fail("expected " + expected);
    }
    std::optional<float> Number(std::string_view key) {
        const auto value = Value(key);
        if (!value) return std::nullopt;
        double v = 0;
        const auto r = std::from_chars(value->data(), value->data() + value->size(), v);
        if (value->empty() || r.ec != std::errc{} || r.ptr != value->data() + value->size() || !std::isfinite(float(v)))
            return Fail("\"" + std::string(key) + "\" must be followed by a number");
        return float(v);
    }
    std::optional<std::int64_t> Integer(std::string_view key, std::int64_t min, std::int64_t max) {
        const auto value = Value(key);
        if (!value) return std::nullopt;
        std::int64_t v = 0;
        const auto r = std::from_chars(value->data(), value->data() + value->size(), v);
        if (value->empty() || r.ec != std::errc{} || r.ptr != value->data() + value->size() || v < min || v > max)
            return Fail("\"" + std::string(key) + "\" must be followed by a whole number from " + std::to_string(min) +
                        " to " + std::to_string(max));
        return v;
    }
    // No fault so far, and nothing but blank lines after the last one read.
    std::optional<FileProblem> Problem() {
        if (!m_problem)
            for (std::size_t i = m_next; i < m_lines.size(); ++i)
                if (!Trimmed(m_lines[i]).empty()) return FileProblem{int(i + 1), "unexpected text after the last line"};
        return m_problem;
    }

private:
    std::optional<std::string_view> Next() {
        if (m_problem) return std::nullopt;
        ++m_next;
        if (m_next > m_lines.size()) {
            m_problem = FileProblem{int(m_next), "the file ends too early"};
            return std::nullopt;
        }
        return m_lines[m_next - 1];
    }
    std::nullopt_t Fail(std::string reason) {
        m_problem = FileProblem{int(m_next), std::move(reason)};
        return std::nullopt;
    }

    std::vector<std::string_view> m_lines;
    std::size_t m_next = 0;  // lines read
    std::optional<FileProblem> m_problem;
};

template <class Settings, class Parse>
std::optional<FileProblem> ReadFile(const std::string& path, Settings& out, Parse parse) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes;
    // Parameter files are a few hundred bytes; a larger one is not one of them.
    constexpr std::size_t kLimit = 64 * 1024;
    if (file) bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (!file && !file.eof()) return FileProblem{0, "the file cannot be read"};
    if (bytes.size() > kLimit) return FileProblem{0, "the file is too long for a parameter file"};
    return parse(bytes, out);
}

}  // namespace

std::vector<ParameterLine> ScotomaFileLines(const ScotomaSettings& s) {
    auto key = [](std::string_view param) { return std::string(KeyOf("Scotoma", param)); };
    return {{key("type"), std::string(s.type == 0 ? kHorizontal : kVertical)},
            {std::string(s.mode == 1 ? kWithoutLoss : kWithLoss), ""},
            {std::string(kMonitorKey), std::string(s.monitor == 1 ? kSecondary : kMain)},
            {std::string(kAlphaLeftKey), Decimal4(s.alphaLeft)},
            {std::string(kAlphaRightKey), Decimal4(s.alphaRight)},
            {key("a"), std::to_string(s.a)},
            {key("b"), std::to_string(s.b)},
            {key("centreColumn"), std::to_string(s.centreColumn)},
            {std::string(kBetaLowKey), Decimal4(s.betaLower)},
            {std::string(kBetaTopKey), Decimal4(s.betaUpper)},
            {key("c"), std::to_string(s.c)},
            {key("e"), std::to_string(s.e)},
            {key("centreRow"), std::to_string(s.centreRow)}};
}

std::optional<FileProblem> ParseTranslationFile(std::string_view bytes, TranslationSettings& out) {
    LineReader in(bytes);
    const auto mode = in.OneOf({}, {kNewSize, kOriginalSize});
    const auto background = in.Integer(KeyOf("Translate", "background"), 0, 0xFFFFFF);
    in.OneOf({}, {kDistanceLine});
    const auto alpha = in.Number(KeyOf("TranslateByAngle", "alpha"));
    const auto beta = in.Number(KeyOf("TranslateByAngle", "beta"));
    if (auto problem = in.Problem()) return problem;
    out = {int(*mode), std::uint32_t(*background), *alpha, *beta};
    return std::nullopt;
}

std::optional<FileProblem> ParseScotomaFile(std::string_view bytes, ScotomaSettings& out) {
    LineReader in(bytes);
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();  // written with %d
    const auto type = in.OneOf(KeyOf("Scotoma", "type"), {kHorizontal, kVertical});
    const auto mode = in.OneOf({}, {kWithLoss, kWithoutLoss});
    const auto monitor = in.OneOf(kMonitorKey, {kMain, kSecondary});
    const auto alphaLeft = in.Number(kAlphaLeftKey), alphaRight = in.Number(kAlphaRightKey);
    const auto a = in.Integer(KeyOf("Scotoma", "a"), 0, kMax), b = in.Integer(KeyOf("Scotoma", "b"), 0, kMax);
    const auto centreColumn = in.Integer(KeyOf("Scotoma", "centreColumn"), 0, kMax);
    const auto betaLower = in.Number(kBetaLowKey), betaUpper = in.Number(kBetaTopKey);
    const auto c = in.Integer(KeyOf("Scotoma", "c"), 0, kMax), e = in.Integer(KeyOf("Scotoma", "e"), 0, kMax);
    const auto centreRow = in.Integer(KeyOf("Scotoma", "centreRow"), 0, kMax);
    if (auto problem = in.Problem()) return problem;
    out = {unsigned(*type), unsigned(*mode), unsigned(*monitor), *alphaLeft, *alphaRight, *betaLower, *betaUpper,
           unsigned(*a), unsigned(*b), unsigned(*centreColumn), unsigned(*c), unsigned(*e), unsigned(*centreRow)};
    return std::nullopt;
}

std::optional<FileProblem> ParseBandsFile(std::string_view bytes, int& bands) {
    LineReader in(bytes);
    const auto n = in.Integer(KeyOf("GrayBands", "n"), std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max());
    if (auto problem = in.Problem()) return problem;
    bands = int(*n);
    return std::nullopt;
}

std::optional<FileProblem> ReadTranslationFile(const std::string& path, TranslationSettings& out) {
    return ReadFile(path, out, ParseTranslationFile);
}
std::optional<FileProblem> ReadScotomaFile(const std::string& path, ScotomaSettings& out) {
    return ReadFile(path, out, ParseScotomaFile);
}
std::optional<FileProblem> ReadBandsFile(const std::string& path, int& bands) {
    return ReadFile(path, bands, ParseBandsFile);
}

}  // namespace velora::catalog
