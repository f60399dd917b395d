#pragma once
// What one platform call costs on its own, in one process with nobody to
// wake: under Wine every kernel-object call is a round trip to the wineserver,
// and this is the price of each call a side makes above the minimum.
#include <string>
#include <vector>

struct CallCost {
  std::string name;
  double medianSeconds = 0;
};

std::vector<CallCost> MeasureCallCosts(int rounds);
