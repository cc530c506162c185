#pragma once
// What every benchmark here prints: one row per figure, with the bare floor
// measured in the same run beside it and the ratio of the two. Medians, so a
// single disturbed run on a shared machine moves nothing.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace morumoru::bench {

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Row {
  std::string figure;
  double value;
  std::string floor;
  double floorValue;
};

// `unit` names what the values count; the ratio is value / floor either way,
// so for rates (steps/s) higher is better and for costs (ns) lower is.
inline void PrintTable(const std::string& title, const std::string& unit,
                       const std::vector<Row>& rows) {
  std::printf("\n== %s ==\n", title.c_str());
  std::printf("%-40s %12s   %-40s %12s   %7s\n", "figure", unit.c_str(), "bare floor (same run)",
              unit.c_str(), "ratio");
  for (const Row& row : rows) {
    double ratio = row.floorValue != 0 ? row.value / row.floorValue : 0;
    std::printf("%-40s %12.2f   %-40s %12.2f   %7.2f\n", row.figure.c_str(), row.value,
                row.floor.c_str(), row.floorValue, ratio);
  }
  std::fflush(stdout);
}

}  // namespace morumoru::bench
