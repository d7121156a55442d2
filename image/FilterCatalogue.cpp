#include "FilterCatalogue.h"

#include <algorithm>

namespace velora {
namespace {

using K = FilterKind;

FilterEntry Mask(int index, std::string_view text, std::string_view description, int size, int divisor,
                 std::vector<int> coefficients) {
    return {index, text, description, K::Linear, size, divisor, std::move(coefficients)};
}

FilterEntry Window(int index, std::string_view text, std::string_view description, K kind, int size) {
    return {index, text, description, kind, size, 1, {}};
}

}  // namespace

const std::vector<FilterEntry>& FilterEntries() {
    static const std::vector<FilterEntry> entries = [] {
        std::vector<FilterEntry> e = {
            Mask(0, "Puntos Aislados (3x3)", "Detección Puntos Aislados (3x3). \n Mejor resultado con Valor Absoluto ", 3, 1,
                 {-1, -1, -1, -1, 8, -1, -1, -1, -1}),
            Mask(1, "Líneas Verticales (3x3)", "Detección de Líneas Verticales (3x3)", 3, 1,
                 {-1, 2, -1, -1, 2, -1, -1, 2, -1}),
            Mask(2, "Líneas Horizontales (3x3)", "Detección de Líneas Horizontales (3x3)", 3, 1,
                 {-1, -1, -1, 2, 2, 2, -1, -1, -1}),
            Mask(3, "Líneas Diagonales +45° (3x3)", "Detección de Líneas +45 grados (3x3)", 3, 1,
                 {-1, -1, 2, -1, 2, -1, 2, -1, -1}),
            Mask(4, "Líneas Diagonales -45° (3x3)", "Detección de Líneas -45 grados (3x3)", 3, 1,
                 {2, -1, -1, -1, 2, -1, -1, -1, 2}),
            Mask(5, "Realce (1) (3x3)", "Máscara 1 de Enfatizado (3x3)", 3, 1,
                 {0, -1, 0, -1, 5, -1, 0, -1, 0}),
            Mask(6, "Realce (2) (3x3)", "Máscara 2 de Enfatizado (3x3)", 3, 1,
                 {-1, -1, -1, -1, 9, -1, -1, -1, -1}),
            Mask(7, "Realce (3) (3x3)", "Máscara 3 de Enfatizado (3x3)", 3, 1,
                 {1, -2, 1, -2, 5, -2, 1, -2, 1}),
            Mask(8, "Realce (4) (3x3)", "Máscara 4 de Enfatizado (3x3)", 3, 1,
                 {-1, -2, -1, -2, 13, -2, -1, -2, -1}),
            Mask(9, "Realce (5) (3x3)", "Máscara 5 de Enfatizado (3x3)", 3, 1,
                 {-2, -2, -2, -2, 17, -2, -2, -2, -2}),
            Mask(10, "Realce (6) (3x3)", "Máscara 6 de Enfatizado (3x3)", 3, 1,
                 {-3, -3, -3, -3, 25, -3, -3, -3, -3}),
            Mask(11, "Realce (7) (3x3)", "Máscara 7 de Enfatizado (3x3)", 3, 1,
                 {-4, -4, -4, -4, 33, -4, -4, -4, -4}),
            Mask(12, "Realce (8) (5x5)", "Máscara 8 de Enfatizado (5x5)", 5, 1,
                 {-1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1,
                  -1, -1, 26, -1, -1,
                  -1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1}),
            Mask(13, "Realce (9) (5x5)", "Máscara 9 de Enfatizado (5x5)", 5, 1,
                 {-2, -2, -2, -2, -2,
                  -2, -2, -2, -2, -2,
                  -2, -2, 49, -2, -2,
                  -2, -2, -2, -2, -2,
                  -2, -2, -2, -2, -2}),
            Mask(14, "Realce (10) (5x5)", "Máscara 10 de Enfatizado (5x5)", 5, 1,
                 {-1, -1, -1, -1, -1,
                  -1, -2, -2, -2, -1,
                  -1, -2, 33, -2, -1,
                  -1, -2, -2, -2, -1,
                  -1, -1, -1, -1, -1}),
            Mask(15, "Realce (11) (5x5)", "Máscara 11 de Enfatizado (5x5)", 5, 1,
                 {-8, -5, -2, -5, -8,
                  -5, 3, 9, 3, -5,
                  -2, 9, 33, 9, -2,
                  -5, 3, 9, 3, -5,
                  -8, -5, -2, -5, -8}),
            Mask(16, "Media1 (3x3)", "Máscara de Suavizado 1 de la Media Aritmética (3x3) \n Adecuado para ruido Gaussiano o uniforme", 3, 9,
                 {1, 1, 1, 1, 1, 1, 1, 1, 1}),
            Mask(17, "Media2 (3x3)", "Máscara de Suavizado 2 de la Media Aritmética (3x3) \n Adecuado para ruido Gaussiano o uniforme", 3, 9,
                 {1, 1, 1, 1, 2, 1, 1, 1, 1}),
            Mask(18, "Media3 (3x3)", "Máscara de Suavizado 3 de la Media Aritmética (3x3) \n Adecuado para ruido Gaussiano o uniforme", 3, 9,
                 {1, 2, 1, 2, 4, 2, 1, 2, 1}),
            Mask(19, "Media (5x5)", "Máscara de Suavizado de la Media Aritmética (5x5) \n Adecuado para ruido Gaussiano o uniforme", 5, 25,
                 {1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1}),
            Mask(20, "Media (7x7)", "Máscara de Suavizado de la Media Aritmética (7x7) \n Adecuado para ruido Gaussiano o uniforme", 7, 49,
                 {1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1}),
            Mask(21, "Media (9x9)", "Máscara de Suavizado de la Media Aritmética (9x9) \n Adecuado para ruido Gaussiano o uniforme", 9, 81,
                 {1, 1, 1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1, 1, 1,
                  1, 1, 1, 1, 1, 1, 1, 1, 1}),
            Window(22, "Mediana (3x3)", "Filtro de Suavizado de la Mediana (3x3)", K::Median, 3),
            Window(23, "Mediana (5x5)", "Filtro de Suavizado de la Mediana (5x5)", K::Median, 5),
            Window(24, "Mediana (7x7)", "Filtro de Suavizado de la Mediana (7x7)", K::Median, 7),
            Window(25, "Mediana (9x9)", "Filtro de Suavizado de la Mediana (9x9)", K::Median, 9),
            Mask(26, "Gauss (1) (3x3)", "Máscara Gaussiana 1 de Suavizado (3x3)", 3, 16,
                 {1, 2, 1, 2, 4, 2, 1, 2, 1}),
            Mask(27, "Gauss (2) (3x3)", "Máscara Gaussiana 2 de Suavizado (3x3)", 3, 224,
                 {6, 25, 6, 25, 100, 25, 6, 25, 6}),
            Mask(28, "Gauss (3) (5x5)", "Máscara Gaussiana 3 de Suavizado (5x5)", 5, 52,
                 {1, 1, 2, 1, 1,
                  1, 2, 4, 2, 1,
                  2, 4, 8, 4, 2,
                  1, 2, 4, 2, 1,
                  1, 1, 2, 1, 1}),
            Mask(29, "Gauss (4) (5x5)", "Máscara Gaussiana 4 de Suavizado (5x5)", 5, 115,
                 {2, 4, 5, 4, 2,
                  4, 9, 12, 9, 4,
                  5, 12, 15, 12, 5,
                  4, 9, 12, 9, 4,
                  2, 4, 5, 4, 2}),
            Mask(30, "Gauss (5) (5x5)", "Máscara Gaussiana 5 de Suavizado (5x5)", 5, 249,
                 {3, 6, 8, 6, 3,
                  6, 14, 19, 14, 6,
                  8, 19, 25, 19, 8,
                  6, 14, 19, 14, 6,
                  3, 6, 8, 6, 3}),
            Mask(31, "Gauss (6) (5x5)", "Máscara Gaussiana 6 de Suavizado (5x5)", 5, 273,
                 {1, 4, 7, 4, 1,
                  4, 16, 26, 16, 4,
                  7, 26, 41, 26, 7,
                  4, 16, 26, 16, 4,
                  1, 4, 7, 4, 1}),
            Mask(32, "Gauss (7) (5x5)", "Máscara Gaussiana 7 de Suavizado (5x5)", 5, 852,
                 {6, 18, 25, 18, 6,
                  18, 50, 71, 50, 18,
                  25, 71, 100, 71, 25,
                  18, 50, 71, 50, 18,
                  6, 18, 25, 18, 6}),
            Mask(33, "Gauss (8) (7x7)", "Máscara Gaussiana 8 de Suavizado (7x7)", 7, 140,
                 {1, 1, 2, 2, 2, 1, 1,
                  1, 2, 2, 4, 2, 2, 1,
                  2, 2, 4, 8, 4, 2, 2,
                  2, 4, 8, 16, 8, 4, 2,
                  2, 2, 4, 8, 4, 2, 2,
                  1, 2, 2, 4, 2, 2, 1,
                  1, 1, 2, 2, 2, 1, 1}),
            Mask(34, "Suavizado (1) (3x3)", "Máscara 1 de Suavizado (3x3)", 3, 10,
                 {1, 1, 1, 1, 2, 1, 1, 1, 1}),
            Mask(35, "Suavizado (2) (3x3)", "Máscara 2 de Suavizado (3x3)", 3, 13,
                 {1, 1, 1, 1, 5, 1, 1, 1, 1}),
            Mask(36, "Suavizado (3) (5x5)", "Máscara 3 de Suavizado (5x5)", 5, 100,
                 {1, 1, 1, 1, 1,
                  1, 5, 5, 5, 1,
                  1, 5, 44, 5, 1,
                  1, 5, 5, 5, 1,
                  1, 1, 1, 1, 1}),
            Mask(37, "Emborronar (5x5)", "Máscara de emborronamiento (5x5)", 5, 16,
                 {1, 1, 1, 1, 1,
                  1, 0, 0, 0, 1,
                  1, 0, 0, 0, 1,
                  1, 0, 0, 0, 1,
                  1, 1, 1, 1, 1}),
            {40, "Roberts", "Detec. Bordes Horizontal y Vertical (2x2). Se muestra componente horizontal", K::TwoMasks, 2, 1, {}, 42, 41},
            Mask(41, "Roberts - Vertical", "Detección de Bordes Vertical (2x2)", 2, 1,
                 {0, 1, -1, 0}),
            Mask(42, "Roberts - Horizontal", "Detección de Bordes Horizontal (2x2)", 2, 1,
                 {1, 0, 0, -1}),
            {43, "Prewitt", "Detec. Bordes Horizontal y Vertical (3x3). Se muestra componente horizontal", K::TwoMasks, 3, 1, {}, 45, 44},
            Mask(44, "Prewitt - Vertical", "Detección de Bordes Vertical (3x3)", 3, 1,
                 {-1, 0, 1, -1, 0, 1, -1, 0, 1}),
            Mask(45, "Prewitt - Horizontal", "Detección de Bordes Horizontal (3x3)", 3, 1,
                 {-1, -1, -1, 0, 0, 0, 1, 1, 1}),
            Mask(46, "Prewitt - Diagonal +45°", "Detección de Bordes Diagonal +45 grados (3x3)", 3, 1,
                 {-1, -1, 0, -1, 0, 1, 0, 1, 1}),
            Mask(47, "Prewitt - Diagonal -45°", "Detección de Bordes Diagonal -45 grados (3x3)", 3, 1,
                 {0, -1, -1, 1, 0, -1, 1, 1, 0}),
            {48, "Prewitt - Ambas Diagonales +45° y -45°", "Detección de Bordes Diagonales +45 y -45 grados (3x3)", K::TwoMasks, 3, 1, {}, 46, 47},
            {49, "Prewitt - 8 Direccional (3x3)", "Detec. Bordes 8 Direccional (3x3). Se muestra componente máxima respuesta", K::EightDirections, 3, 1, {-1, -1, -1, 0, 0, 0, 1, 1, 1}},
            {50, "Sobel", "Detec. Bordes Horizontal y Vertical (3x3). Se muestra componente horizontal", K::TwoMasks, 3, 1, {}, 52, 51},
            Mask(51, "Sobel - Vertical", "Detección de Bordes Vertical (3x3)", 3, 1,
                 {-1, 0, 1, -2, 0, 2, -1, 0, 1}),
            Mask(52, "Sobel - Horizontal", "Detección de Bordes Horizontal (3x3)", 3, 1,
                 {-1, -2, -1, 0, 0, 0, 1, 2, 1}),
            Mask(53, "Sobel - Diagonal +45°", "Detección de Bordes Diagonal +45 grados (3x3)", 3, 1,
                 {-2, -1, 0, -1, 0, 1, 0, 1, 2}),
            Mask(54, "Sobel - Diagonal -45°", "Detección de Bordes Diagonal -45 grados (3x3)", 3, 1,
                 {0, -1, -2, 1, 0, -1, 2, 1, 0}),
            {55, "Sobel - Ambas Diagonales +45° y -45°", "Detección de Bordes Diagonales +45 y -45 grados (3x3)", K::TwoMasks, 3, 1, {}, 53, 54},
            {56, "Sobel-Robinson - 8 Direccional (3x3)", "Detec. Bordes 8 Direccional (3x3). Se muestra componente máxima respuesta", K::EightDirections, 3, 1, {-1, -2, -1, 0, 0, 0, 1, 2, 1}},
            {57, "Kirsch - 8 Direccional (3x3)", "Detec. Bordes 8 Direccional (3x3). Se muestra componente máxima respuesta", K::EightDirections, 3, 1, {-3, -3, 5, -3, 0, 5, -3, -3, 5}},
            Mask(58, "Laplaciana (1) (3x3)", "Detección de Bordes (3x3)", 3, 1,
                 {0, -1, 0, -1, 4, -1, 0, -1, 0}),
            Mask(59, "Laplaciana (2) (3x3)", "Detección de Bordes (3x3)", 3, 1,
                 {-1, -1, -1, -1, 8, -1, -1, -1, -1}),
            Mask(60, "Laplaciana (3) (3x3)", "Detección de Bordes (3x3)", 3, 1,
                 {1, -2, 1, -2, 4, -2, 1, -2, 1}),
            Mask(61, "Laplaciana (4) (3x3)", "Detección de Bordes (3x3)", 3, 1,
                 {-1, -2, -1, -2, 12, -2, -1, -2, -1}),
            Mask(62, "Laplaciana (5) (5x5)", "Detección de Bordes (5x5)", 5, 1,
                 {-1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1,
                  -1, -1, 24, -1, -1,
                  -1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1}),
            Mask(63, "Laplaciana (6) (9x9)", "Detección de Bordes (9x9)", 9, 1,
                 {-1, -1, -1, -1, -1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1, -1, -1, -1, -1,
                  -1, -1, -1, 8, 8, 8, -1, -1, -1,
                  -1, -1, -1, 8, 8, 8, -1, -1, -1,
                  -1, -1, -1, 8, 8, 8, -1, -1, -1,
                  -1, -1, -1, -1, -1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1, -1, -1, -1, -1}),
            Mask(64, "LoG - Laplaciana de Gaussiano (1) (5x5)", "Detección de Bordes LOG (5x5)", 5, 1,
                 {0, 0, -1, 0, 0,
                  0, -1, -2, -1, 0,
                  -1, -2, 16, -2, -1,
                  0, -1, -2, -1, 0,
                  0, 0, -1, 0, 0}),
            Mask(65, "LoG - Laplaciana de Gaussiano (2) (11x11)", "Detección de Bordes LOG (11x11)", 11, 1,
                 {0, 0, 0, -1, -1, -2, -1, -1, 0, 0, 0,
                  0, 0, -2, -4, -8, -9, -8, -4, -2, 0, 0,
                  0, -2, -7, -15, -22, -23, -22, -15, -7, -2, 0,
                  -1, -4, -15, -24, -14, -1, -14, -24, -15, -4, -1,
                  -1, -8, -22, -14, 52, 103, 52, -14, -22, -8, -1,
                  -2, -9, -23, -1, 103, 178, 103, -1, -23, -9, -2,
                  -1, -8, -22, -14, 52, 103, 52, -14, -22, -8, -1,
                  -1, -4, -15, -24, -14, -1, -14, -24, -15, -4, -1,
                  0, -2, -7, -15, -22, -23, -22, -15, -7, -2, 0,
                  0, 0, -2, -4, -8, -9, -8, -4, -2, 0, 0,
                  0, 0, 0, -1, -1, -2, -1, -1, 0, 0, 0}),
            Window(66, "Selección de Máximos (3x3)", "Filtro de Suavizado\n Selección del valor máximo en entorno 3x3.\n Adecuado para ruido de tipo pimienta", K::Maximum, 3),
            Window(67, "Selección de Mínimos (3x3)", "Filtro de Suavizado\n Selección del valor mínimo en entorno 3x3.\n Adecuado para ruido de tipo sal", K::Minimum, 3),
            Window(68, "Filtro del Punto Medio (3x3)", "Filtro de Suavizado\n Selección de la media de los valores máximo y mínimo en entorno 3x3. Adecuado para ruido Gaussiano o uniforme", K::Midpoint, 3),
            Window(70, "Realce no lineal max-min Kramer y Bruchner(3x3)", "Realce no lineal max-min de Kramer y Bruchner (3x3)", K::MaxMinEnhancement, 3),
            Window(71, "Realce no lineal max-min Kramer y Bruchner(5x5)", "Realce no lineal max-min de Kramer y Bruchner (5x5)", K::MaxMinEnhancement, 5),
            Window(72, "Realce no lineal max-min Kramer y Bruchner(7x7)", "Realce no lineal max-min de Kramer y Bruchner (7x7)", K::MaxMinEnhancement, 7),
            Window(73, "Realce no lineal max-min Kramer y Bruchner(9x9)", "Realce no lineal max-min de Kramer y Bruchner (9x9)", K::MaxMinEnhancement, 9),
            Window(74, "Media Geométrica (3x3)", "Máscara de Suavizado de la Media Geométrica (3x3) \n Adecuado para ruido Gaussiano", K::GeometricMean, 3),
            Window(75, "Media Geométrica (5x5)", "Máscara de Suavizado de la Media Geométrica (5x5) \n Adecuado para ruido Gaussiano", K::GeometricMean, 5),
            Window(76, "Media Armónica (3x3)", "Máscara de Suavizado de la Media Armónica (3x3) \n Adecuado para ruido de tipo sal y Gaussiano", K::HarmonicMean, 3),
            Window(77, "Media Armónica (5x5)", "Máscara de Suavizado de la Media Armónica (5x5) \n Adecuado para ruido de tipo sal y Gaussiano", K::HarmonicMean, 5),
        };
        // A two-mask detector shows its first mask.
        for (FilterEntry& entry : e)
            if (entry.kind == K::TwoMasks)
                entry.coefficients = std::find_if(e.begin(), e.end(), [&](const FilterEntry& other) {
                                         return other.index == entry.firstMask;
                                     })->coefficients;
        return e;
    }();
    return entries;
}

const FilterEntry* FindFilterEntry(int index) {
    const std::vector<FilterEntry>& entries = FilterEntries();
    const auto found = std::lower_bound(entries.begin(), entries.end(), index,
                                        [](const FilterEntry& entry, int i) { return entry.index < i; });
    return found != entries.end() && found->index == index ? &*found : nullptr;
}

std::span<const FilterListLine> FilterListLines() {
    static const std::vector<FilterListLine> lines = [] {
        std::vector<FilterListLine> l;
        auto group = [&l](std::string_view heading, std::initializer_list<int> indices) {
            if (!l.empty()) l.push_back({"", nullptr});
            l.push_back({heading, nullptr});
            l.push_back({"", nullptr});
            for (int index : indices) {
                const FilterEntry* entry = FindFilterEntry(index);
                l.push_back({entry->text, entry});
            }
        };
        group("1.REALCE O ENFATIZADO DE LA IMAGEN", {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 70, 71, 72, 73});
        group("2.ELIMINACIÓN DE RUIDO O SUAVIZADO", {16, 17, 18, 19, 20, 21, 74, 75, 76, 77, 22, 23, 24, 25, 66, 67, 68, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37});
        group("3.DETECCIÓN DE CONTORNOS O BORDES", {0, 1, 2, 3, 4, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65});
        return l;
    }();
    return lines;
}

}  // namespace velora
