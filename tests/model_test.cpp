#include <gtest/gtest.h>
#include "model.h"
TEST(model, placeholder) {
  pandemie::Random r(pandemie::windowSeed);
  auto t = pandemie::runTrajectory({}, r);
  for (auto& c : t) printf("%d %d %d\n", c.countSusceptible, c.countInfected, c.countRecovered);
}
