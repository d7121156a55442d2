// Bit depths as a set: what an operation accepts and what a command is enabled for.
#pragma once

enum DepthBit : unsigned { kD1 = 1, kD4 = 2, kD8 = 4, kD16 = 8, kD24 = 16, kD32 = 32 };
constexpr unsigned kDepthsAll5 = kD1 | kD4 | kD8 | kD24 | kD32;  // every depth with pixel accessors
constexpr unsigned kDepthsNo1 = kD4 | kD8 | kD24 | kD32;
constexpr unsigned kDepthsPalette = kD1 | kD4 | kD8;
constexpr unsigned kDepthsAll6 = kDepthsAll5 | kD16;

// The set's bit for a depth (GetBitCount of an image); 0 for a depth no image has.
constexpr unsigned DepthBitOf(unsigned depth) {
    switch (depth) {
        case 1: return kD1;
        case 4: return kD4;
        case 8: return kD8;
        case 16: return kD16;
        case 24: return kD24;
        case 32: return kD32;
        default: return 0;
    }
}
