// The queries: values read from an image, printed by `velora query` as JSON.
#include "Families.h"
#include "Json.h"

namespace velora::catalog {

namespace {

using K = ParamKind;

std::string RgbQuadJson(unsigned code, const RGBQUAD& c) {
    return JsonObject()
        .Add("code", code)
        .Add("blue", int(c.rgbBlue))
        .Add("green", int(c.rgbGreen))
        .Add("red", int(c.rgbRed))
        .Add("reserved", int(c.rgbReserved))
        .Text();
}


}  // namespace

std::string MeanJson(std::int64_t value, const RGBQUAD& c) {
    return JsonObject()
        .Add("value", value)
        .Add("red", int(c.rgbRed))
        .Add("green", int(c.rgbGreen))
        .Add("blue", int(c.rgbBlue))
        .Text();
}

void AddQueries(std::vector<Operation>& all) {
    auto query = [&](std::string_view name, std::vector<Param> params, std::string_view summary, QueryCall run) {
        Operation op{.name = name, .kind = Operation::Kind::Query, .family = "Queries", .summary = summary};
        op.params = std::move(params);
        op.depths = kDepthsAll6;
        op.query = std::move(run);
        all.push_back(std::move(op));
    };
    query("IsGray", {}, "true when every palette entry (or pixel) has red = green = blue",
          [](const CVelora& im, const Args&) { return std::string(im.IsGray() ? "true" : "false"); });
    query("GetPixel", {{.name = "x"}, {.name = "y"}},
          "raw value: palette index, or 0x00RRGGBB; 4294967295 outside, 4294967294 bad depth",
          [](const CVelora& im, const Args& a) { return std::to_string(im.GetPixel(a.Int(0), a.Int(1))); });
    query("GetRGBPixel", {{.name = "x"}, {.name = "y"}}, "colour of the pixel, with the accessor's code",
          [](const CVelora& im, const Args& a) {
              RGBQUAD c{};
              const unsigned code = im.GetRGBPixel(a.Int(0), a.Int(1), c);
              return RgbQuadJson(code, c);
          });
    query("GetAlfa", {{.name = "x"}, {.name = "y"}}, "alpha byte; 255 outside, 254 when not 32-bit",
          [](const CVelora& im, const Args& a) { return std::to_string(int(im.GetAlfa(a.Int(0), a.Int(1)))); });
    query("Histogram", {{.name = "scale"}}, "counts per level (0..255) of luminance, red, green, blue; scaled to scale when >= 1",
          [](const CVelora& im, const Args& a) {
              HistogramTable table{};
              const unsigned code = im.Histogram(table, a.Int(0));
              JsonObject json;
              json.Add("code", code);
              static const char* const kChannels[4] = {"luminance", "red", "green", "blue"};
              for (std::size_t channel = 0; channel < 4; ++channel) {
                  std::string list = "[";
                  for (std::size_t level = 0; level < 256; ++level) {
                      if (level) list += ",";
                      list += std::to_string(table[level][channel]);
                  }
                  json.Raw(kChannels[channel], list + "]");
              }
              return json.Text();
          });
    query("GetInfoHistogram", {}, "per channel the lowest, highest and most frequent level with their counts",
          [](const CVelora& im, const Args&) {
              InfoHistogram info;
              const unsigned code = im.GetInfoHistogram(info);
              JsonObject json;
              json.Add("code", code);
              static const char* const kChannels[4] = {"luminance", "red", "green", "blue"};
              const auto pair = [](const InfoHistogram::LevelCount& lc) {
                  return JsonObject().Add("level", lc.level).Add("count", lc.count).Text();
              };
              for (std::size_t c = 0; c < 4; ++c)
                  json.Raw(kChannels[c], JsonObject()
                                             .Raw("lowest", pair(info.lowest[c]))
                                             .Raw("highest", pair(info.highest[c]))
                                             .Raw("mode", pair(info.mode[c]))
                                             .Text());
              return json.Text();
          });
    query("GetMeanColumn", {{.name = "x"}}, "mean value and colour of a column; value -1 bad depth, -2 outside",
          [](const CVelora& im, const Args& a) {
              RGBQUAD c{};
              return MeanJson(im.GetMeanColumn(a.Int(0), c), c);
          });
    query("GetMeanRow", {{.name = "y"}}, "mean value and colour of a row; value -1 bad depth, -2 outside",
          [](const CVelora& im, const Args& a) {
              RGBQUAD c{};
              return MeanJson(im.GetMeanRow(a.Int(0), c), c);
          });
    query("GetMeanImage", {}, "mean value (0x00RRGGBB for direct colour) and colour of the image",
          [](const CVelora& im, const Args&) {
              RGBQUAD c{};
              return MeanJson(im.GetMeanImage(c), c);
          });
    query("CountDifferentPixels", {{.name = "imageB", .kind = K::Image}},
          "positions of the common top-left rectangle whose raw values differ",
          [](const CVelora& im, const Args& a) { return std::to_string(im.CountDifferentPixels(a.Image(0))); });
}

}  // namespace velora::catalog
