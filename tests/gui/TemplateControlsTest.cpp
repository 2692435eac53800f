// Where the parts of a list entry separated by tabs are drawn.
#include <gtest/gtest.h>

#include "app/dialogs/TemplateDialogControls.h"

namespace tessel {
namespace {

// One stop repeats at its multiples; after several, the last spacing repeats.
TEST(TabStopDelegate, NextStopAfterAPosition) {
    const std::tuple<std::vector<int>, int, int> cases[] = {
        {{100}, 0, 100},     {{100}, 99, 100},     {{100}, 100, 200},     {{100}, 250, 300},
        {{40, 100}, 10, 40}, {{40, 100}, 40, 100}, {{40, 100}, 130, 160}, {{0, -5}, 7, 8},
    };
    for (const auto& [stops, x, expected] : cases) {
        EXPECT_EQ(TabStopDelegate(stops, nullptr).StopAfter(x), expected) << x;
    }
}

}  // namespace
}  // namespace tessel
