#pragma once

#include "cli/Arguments.h"

// tavikctl set and get: parameters by name, on the processor or in a
// whole-state preset file.
namespace Cli
{
extern const char* const setUsage;
extern const char* const getUsage;

int setParams (const Arguments& a);
int getParams (const Arguments& a);
} // namespace Cli
