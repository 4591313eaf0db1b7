#include "engine/curve_change_rule.hpp"

namespace qb {

namespace {
constexpr int kFirstIteration = 5;
constexpr int kNegativeExponential = 1;
}  // namespace

bool curve_change_due(char curve_change_switch, int iteration, int option_now, int option_before) {
  if (curve_change_switch != 'n' || iteration < kFirstIteration) return false;
  return option_now != option_before || option_before == kChangedMeanLine;
}

int changed_curve_option(int curve_option_argument) {
  return curve_option_argument == kNegativeExponential ? kChangedSpline : kChangedMeanLine;
}

}  // namespace qb
