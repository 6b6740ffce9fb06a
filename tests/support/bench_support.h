// Timing figures of the benchmark programs.
#pragma once
#include <vector>

// A monotonic clock in milliseconds (performance counter).
double NowMs();
// The median (the mean of the middle two for an even count) and the smallest
// value; 0 for no values.
double Median(std::vector<double> values);
double Fastest(const std::vector<double>& values);
