// The declarations by family, each in a file of its own; Catalog.cpp gathers them.
#pragma once

#include <vector>

#include "Operation.h"

namespace velora::catalog {

void AddIntensityOperations(std::vector<Operation>& all);
void AddThresholdOperations(std::vector<Operation>& all);
void AddGrayLevelOperations(std::vector<Operation>& all);
void AddPaletteOperations(std::vector<Operation>& all);
void AddPixelValueOperations(std::vector<Operation>& all);
void AddGeometryOperations(std::vector<Operation>& all);
void AddWarpOperations(std::vector<Operation>& all);
void AddTranslationOperations(std::vector<Operation>& all);
void AddFilterOperations(std::vector<Operation>& all);
void AddImageAlgebraOperations(std::vector<Operation>& all);
void AddNoiseOperations(std::vector<Operation>& all);
void AddEffectOperations(std::vector<Operation>& all);
void AddSegmentationOperations(std::vector<Operation>& all);
void AddScotomaOperations(std::vector<Operation>& all);
void AddQueries(std::vector<Operation>& all);

// A mean's JSON: the value and the mean red, green and blue.
std::string MeanJson(std::int64_t value, const RGBQUAD& c);

}  // namespace velora::catalog
