// What every benchmark shares (the GL halves' context, constant ring and target are in
// BenchGl.h): the median of a set of times and the process's CPU time.
#pragma once

#include <vector>

// The middle value (the upper one of an even count), or 0 for no values.
double Median(std::vector<double> values);

// CPU time of the whole process so far, every thread included, in milliseconds.
double CpuMs();
