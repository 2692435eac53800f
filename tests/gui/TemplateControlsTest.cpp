// The behaviour the builder adds to Qt's widgets: sorted insertion and tab stops.
#include <gtest/gtest.h>

#include "app/dialogs/TemplateDialog.h"
#include "app/dialogs/TemplateDialogControls.h"

namespace tessel {
namespace {

TEST(ListBox, AddStringKeepsCaseInsensitiveOrderWhenSorted) {
    const std::tuple<bool, QStringList, QStringList> cases[] = {
        {true, {"b.syx", "C.SYX", "a.syx", "B2.syx"}, {"a.syx", "b.syx", "B2.syx", "C.SYX"}},
        {true, {"X.syx", "x.syx", "a"}, {"a", "X.syx", "x.syx"}},  // equal: arrival order
        {true, {"abc", "", "ab"}, {"", "ab", "abc"}},
        {false, {"b", "a", "C"}, {"b", "a", "C"}},
    };
    const DialogUnits units(TemplateDialog::DialogFont());
    for (const auto& [sorted, added, expected] : cases) {
        ListBox list(sorted, units, nullptr);
        QStringList entries;
        for (const QString& text : added) {
            EXPECT_EQ(list.item(list.AddString(text))->text(), text);
        }
        for (int i = 0; i < list.count(); ++i) {
            entries << list.item(i)->text();
        }
        EXPECT_EQ(entries, expected);
    }
}

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
