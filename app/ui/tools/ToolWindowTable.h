// The tool windows of the workbench, one row each, in the order of their tabs down the right.
#pragma once

#include <vector>

#include "ToolWindowHost.h"

std::vector<ToolWindowKind> ToolWindowTable();
