// Calls of every step with distinct, non-default arguments (swaps and drops show), both as the command line
// takes them and as a member call: the catalogue test compares them, the thread test runs 1 and 4 threads.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "CVelora.h"
#include "RandomSeed.h"

namespace testing_support {

// What a call takes besides the image: its copy as it came, a second image like it, a palette file, a path.
struct StepInputs {
    const CVelora& self;
    const CVelora& other;
    std::string palette;
    std::string written;
};

// The --monitor of the command line, and the same record for a direct call.
inline constexpr const char* kMonitorOption = "1920x1080:531x299";
inline MonitorGeometry TestMonitor() {
    const MonitorMeasures main{1920, 1080, 531, 299, 0, 0}, none{};
    return DescribeMonitors(1, main, &none);
}

struct StepCase {
    // "Name:args"; {self}, {other}, {palette} and {written} stand for the inputs' files.
    std::string_view text;
    unsigned (*call)(CVelora&, const StepInputs&);
};

inline std::string_view StepName(const StepCase& c) { return c.text.substr(0, c.text.find(':')); }

inline std::array<int, 24> PlaneFlags(std::initializer_list<int> planes) {
    std::array<int, 24> flags{};
    for (int p : planes) flags[std::size_t(23 - p)] = 1;
    return flags;
}

// Sized for images of at least 21 x 12 (16 x 8 for the spectrum).
inline const std::vector<StepCase>& StepCases() {
    using In = const StepInputs&;
    static const std::vector<StepCase> cases = {
        {"Negative:0,1,0,1", [](CVelora& im, In) { return im.Negative(0, 1, 0, 1); }},
        {"Negative:1,0,1,0", [](CVelora& im, In) { return im.Negative(1, 0, 1, 0); }},
        {"Brightness:35", [](CVelora& im, In) { return im.Brightness(35); }},
        {"Gamma:0.7", [](CVelora& im, In) { return im.Gamma(0.7f); }},
        {"LinearContrast:30,200,10,240,0,1,0,1", [](CVelora& im, In) { return im.LinearContrast(30, 200, 10, 240, 0, 1, 0, 1); }},
        {"LinearContrast:31,199,12,238,1,0,1,0", [](CVelora& im, In) { return im.LinearContrast(31, 199, 12, 238, 1, 0, 1, 0); }},
        {"NonLinearContrast:0,6,0.35", [](CVelora& im, In) { return im.NonLinearContrast(0, 6, 0.35f); }},
        {"NonLinearContrast:HSV,sineSigmoid,0.8", [](CVelora& im, In) { return im.NonLinearContrast(3, 5, 0.8f); }},
        {"Equalize:4,1", [](CVelora& im, In) { return im.Equalize(4, 1); }},
        {"Equalize:0,2", [](CVelora& im, In) { return im.Equalize(0, 2); }},
        {"FillIndex:3", [](CVelora& im, In) { return im.FillIndex(3); }},
        {"InitializeRGB:10,20,30", [](CVelora& im, In) { return im.InitializeRGB(RGBQUAD{30, 20, 10, 0}); }},
        {"SetAlfa:77", [](CVelora& im, In) { return im.SetAlfa(std::uint8_t(77)); }},
        {"AlphaOperation:3", [](CVelora& im, In) { return im.AlphaOperation(3); }},
        {"AlphaChannel:value,77", [](CVelora& im, In) { return im.SetAlfa(std::uint8_t(77)); }},
        {"AlphaChannel:remove,0", [](CVelora& im, In) { return im.ChangeColorDepth(3); }},
        {"ChangeColorDepth:0", [](CVelora& im, In) { return im.ChangeColorDepth(0); }},
        {"ChangeColorDepth:1", [](CVelora& im, In) { return im.ChangeColorDepth(1); }},
        {"ChangeColorDepth:2", [](CVelora& im, In) { return im.ChangeColorDepth(2); }},
        {"ChangeColorDepth:4", [](CVelora& im, In) { return im.ChangeColorDepth(4); }},
        {"Flip:1", [](CVelora& im, In) { return im.Flip(1); }},
        {"Scale:1.37,0.63,0", [](CVelora& im, In) { return im.Scale(1.37f, 0.63f, 0); }},
        {"Scale:150,70,1", [](CVelora& im, In) { return im.Scale(150, 70, 1); }},
        {"Rotate:0,-3.5,#123456", [](CVelora& im, In) { return im.Rotate(0, -3.5, RGB(0x12, 0x34, 0x56)); }},
        {"Rotate:1,30,#00FF00", [](CVelora& im, In) { return im.Rotate(1, 30, RGB(0, 0xFF, 0)); }},
        {"Rotate3D:1,20,-35,10,#0000FF", [](CVelora& im, In) { return im.Rotate3D(1, 20, -35, 10, RGB(0, 0, 0xFF)); }},
        {"Crop:3,2,15,9", [](CVelora& im, In) { return im.Crop(3, 2, 15, 9); }},
        {"GrayLevelSlice:1,30,140,7,200", [](CVelora& im, In) { return im.GrayLevelSlice(1, 30, 140, 7, 200); }},
        {"GrayLevelSlice:0,31,141,8,199", [](CVelora& im, In) { return im.GrayLevelSlice(0, 31, 141, 8, 199); }},
        {"EraseBitPlanes:0,7,11,16,18,23", [](CVelora& im, In) { return im.EraseBitPlanes(PlaneFlags({0, 7, 11, 16, 18, 23})); }},
        {"ExtractBitPlane:3", [](CVelora& im, In) { return im.ExtractBitPlane(3); }},
        {"GrayBands:5", [](CVelora& im, In) { return im.GrayBands(5); }},
        {"FalseColor", [](CVelora& im, In) { return im.FalseColor(); }},
        {"ColorToGray:1", [](CVelora& im, In) { return im.ColorToGray(1); }},
        {"ColorBalance:30,-45,100", [](CVelora& im, In) { return im.ColorBalance(30, -45, 100); }},
        {"Threshold:90,10,200", [](CVelora& im, In) { return im.Threshold(90, 10, 200); }},
        {"LocalThreshold:3,5,100,2", [](CVelora& im, In) { return im.LocalThreshold(3, 5, 100, 2); }},
        {"LocalThreshold:5,2,-2,1", [](CVelora& im, In) { return im.LocalThreshold(5, 2, -2, 1); }},
        {"Ellipse", [](CVelora& im, In) { return im.Ellipse(); }},
        {"Ripple:-13,7,1,#00FF00", [](CVelora& im, In) { return im.Ripple(-13, 7, 1, RGB(0, 0xFF, 0)); }},
        {"Swirl:250.5,40", [](CVelora& im, In) { return im.Swirl(250.5, 40); }},
        {"Swirl:-400,5000", [](CVelora& im, In) { return im.Swirl(-400, 5000); }},
        {"Shear:3,61.5,#123456", [](CVelora& im, In) { return im.Shear(3, 61.5, RGB(0x12, 0x34, 0x56)); }},
        {"Shear:9,23,#000000", [](CVelora& im, In) { return im.Shear(9, 23, 0); }},
        {"Interlace:1,{other},{self}", [](CVelora& im, In in) { return im.Interlace(1, &in.other, &in.self); }},
        {"Deinterlace:1,2", [](CVelora& im, In) { return im.Deinterlace(1, 2); }},
        {"Translate:0,-13,7,#00FF00", [](CVelora& im, In) { return im.Translate(0, -13, 7, RGB(0, 0xFF, 0)); }},
        {"Translate:1,9,-5,#123456", [](CVelora& im, In) { return im.Translate(1, 9, -5, RGB(0x12, 0x34, 0x56)); }},
        {"TranslateByAngle:0,35,1.5,100,#123456",
         [](CVelora& im, In) {
             DisplacementReadout readout;
             return im.TranslateByAngle(0, 35, 1.5f, 100, RGB(0x12, 0x34, 0x56), readout, TestMonitor());
         }},
        {"Convolution:3,2,1,2,0,-1,0,-1,7,-1,0,-3,0",
         [](CVelora& im, In) {
             const int mask[] = {0, -1, 0, -1, 7, -1, 0, -3, 0};
             return im.Convolution(mask, 3, 2, 1, 2);
         }},
        {"Convolution:2,3,2,1,1,2,3,4",
         [](CVelora& im, In) {
             const int mask[] = {1, 2, 3, 4};
             return im.Convolution(mask, 2, 3, 2, 1);
         }},
        {"PredefinedFilter:6,0,0", [](CVelora& im, In) { return im.PredefinedFilter(6, 0, 0); }},
        {"PredefinedFilter:65,1,2", [](CVelora& im, In) { return im.PredefinedFilter(65, 1, 2); }},
        {"PredefinedFilter:41,2,1", [](CVelora& im, In) { return im.PredefinedFilter(41, 2, 1); }},
        {"PredefinedFilter:50,2,2", [](CVelora& im, In) { return im.PredefinedFilter(50, 2, 2); }},
        {"PredefinedFilter:57,0,1", [](CVelora& im, In) { return im.PredefinedFilter(57, 0, 1); }},
        {"PredefinedFilter:23,0,0", [](CVelora& im, In) { return im.PredefinedFilter(23, 0, 0); }},
        {"PredefinedFilter:25,1,2", [](CVelora& im, In) { return im.PredefinedFilter(25, 1, 2); }},
        {"PredefinedFilter:72,0,0", [](CVelora& im, In) { return im.PredefinedFilter(72, 0, 0); }},
        {"PredefinedFilter:77,0,0", [](CVelora& im, In) { return im.PredefinedFilter(77, 0, 0); }},
        {"Emboss:3", [](CVelora& im, In) { return im.Emboss(3); }},
        {"Arithmetic:3,{other},0.6,0.7,3,2", [](CVelora& im, In in) { return im.Arithmetic(3, in.other, 0.6f, 0.7f, 3, 2); }},
        {"Arithmetic:1,{other},1.5,0.25,2,1", [](CVelora& im, In in) { return im.Arithmetic(1, in.other, 1.5f, 0.25f, 2, 1); }},
        {"SaturatingArithmetic:1,{other}", [](CVelora& im, In in) { return im.SaturatingArithmetic(1, in.other); }},
        {"SaturatingArithmetic:2,{other}", [](CVelora& im, In in) { return im.SaturatingArithmetic(2, in.other); }},
        {"BinarySmoothing:1,1,0,1,0,1", [](CVelora& im, In) { return im.BinarySmoothing({true, true, false, true, false, true}); }},
        {"RegionGrowing:3,2,1,1,40,#0000C8", [](CVelora& im, In) { return im.RegionGrowing(3, 2, 1, 1, 40, 0xC80000); }},
        {"SetOperation:difference,{other}", [](CVelora& im, In in) { return im.SetOperation(4, &in.other); }},
        {"Morphology:5,3,2,2,0,0,1,0,2,0,0", [](CVelora& im, In) {
             const std::uint8_t element[] = {0, 1, 0, 2, 0, 0};
             return im.Morphology(5, element, 3, 2, 2, 0);
         }},
        {"Logical:xor,{other}", [](CVelora& im, In in) { return im.Logical(3, &in.other); }},
        {"Logical:not", [](CVelora& im, In) { return im.Logical(0, nullptr); }},
        {"Mosaic:3,5", [](CVelora& im, In) { return im.Mosaic(3, 5); }},
        {"Mosaic:5,2", [](CVelora& im, In) { return im.Mosaic(5, 2); }},
        {"Hoover:1,7,4,60",
         [](CVelora& im, In) {
             velora::SetFixedRandomSeed(5);
             return im.Hoover(1, 7, 4, 60);
         }},
        {"Noise:1,1,-40,30,10,200,50",
         [](CVelora& im, In) {
             velora::SetFixedRandomSeed(5);
             return im.Noise(1, 1, -40, 30, 10, 200, 50);
         }},
        {"Spectrum:0", [](CVelora& im, In) { return im.Spectrum(0); }},
        {"Scotoma:0,10,6,3,4,2,3,1,0,#123456", [](CVelora& im, In) { return im.Scotoma(0, 10, 6, 3, 4, 2, 3, 1, 0, RGB(0x12, 0x34, 0x56)); }},
        {"Scotoma:vertical,11,6,2,3,4,5,withLoss,image,#000000", [](CVelora& im, In) { return im.Scotoma(1, 11, 6, 2, 3, 4, 5, 0, 1, 0); }},
        {"Scotoma:1,12,5,4,2,6,7,1,1,#00FF00", [](CVelora& im, In) { return im.Scotoma(1, 12, 5, 4, 2, 6, 7, 1, 1, RGB(0, 0xFF, 0)); }},
        {"SetGrayPalette", [](CVelora& im, In) { return im.SetGrayPalette(); }},
        {"SetChannelPalette:2", [](CVelora& im, In) { return im.SetChannelPalette(2); }},
        {"RearrangePaletteChannels:2,0,1", [](CVelora& im, In) { return im.RearrangePaletteChannels(2, 0, 1); }},
        {"LoadPalette:{palette}", [](CVelora& im, In in) { return im.LoadPalette(in.palette); }},
        {"SavePalette:{written}", [](CVelora& im, In in) { return im.SavePalette(in.written); }},
    };
    return cases;
}

}  // namespace testing_support
