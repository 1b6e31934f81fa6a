#pragma once
// One row of bench/run's table, printed beside a benchmark's own lines: what was measured, our
// value, the reference it is held against, our value divided by the reference, and the goal for
// that ratio. bench/run picks the rows out by their first field.

#include <cstdio>

inline void Figure(const char *figure, double ours, const char *unit, const char *reference, double referenceValue,
                   const char *goal)
{
    std::printf("figure\t%s\t%.4g %s\t%s %.4g %s\t%.3f\t%s\n", figure, ours, unit, reference, referenceValue, unit,
                ours / referenceValue, goal);
}
