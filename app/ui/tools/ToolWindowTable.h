// The tool windows of the workbench, one row each, in the order they stack down the right.
#pragma once

#include <vector>

#include "ToolWindowHost.h"

std::vector<ToolWindowKind> ToolWindowTable();
