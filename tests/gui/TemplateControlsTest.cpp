// The behaviour the builder adds to Qt's widgets: sorted insertion, tab stops, track bar
// moves told apart from code, wrapping labels.
#include <gtest/gtest.h>
#include <QKeyEvent>
#include <QTest>

#include "app/dialogs/TemplateDialog.h"
#include "app/dialogs/TemplateDialogControls.h"

namespace tessel {
namespace {

QStringList Entries(const ListBox& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        entries << list.item(i)->text();
    }
    return entries;
}

struct SortCase {
    const char* name;
    bool sorted;
    QStringList added;
    QStringList expected;
};

class ListBoxInsertion : public testing::TestWithParam<SortCase> {};

TEST_P(ListBoxInsertion, KeepsTheExpectedOrder) {
    const DialogUnits units(TemplateDialog::DialogFont());
    ListBox list(GetParam().sorted, units, nullptr);
    for (const QString& text : GetParam().added) {
        const int row = list.AddString(text);
        EXPECT_EQ(list.item(row)->text(), text);
    }
    EXPECT_EQ(Entries(list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, ListBoxInsertion,
    testing::Values(SortCase{"CaseIgnored",
                             true,
                             {"b.syx", "C.SYX", "a.syx", "B2.syx"},
                             {"a.syx", "b.syx", "B2.syx", "C.SYX"}},
                    SortCase{"EqualTextsKeepArrivalOrder",
                             true,
                             {"X.syx", "x.syx", "a"},
                             {"a", "X.syx", "x.syx"}},
                    SortCase{"EmptyAndPrefix", true, {"abc", "", "ab"}, {"", "ab", "abc"}},
                    SortCase{"UnsortedAppends", false, {"b", "a", "C"}, {"b", "a", "C"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct StopCase {
    std::vector<int> stops;
    int x;
    int expected;
};

class TabStops : public testing::TestWithParam<StopCase> {};

TEST_P(TabStops, NextStopAfterPosition) {
    const TabStopDelegate delegate(GetParam().stops, nullptr);
    EXPECT_EQ(delegate.StopAfter(GetParam().x), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Templates, TabStops,
                         testing::Values(StopCase{{100}, 0, 100}, StopCase{{100}, 99, 100},
                                         StopCase{{100}, 100, 200}, StopCase{{100}, 250, 300},
                                         StopCase{{40, 100}, 10, 40}, StopCase{{40, 100}, 40, 100},
                                         StopCase{{40, 100}, 130, 160}, StopCase{{0, -5}, 7, 8}));

TEST(ListBoxTabStops, SecondColumnStartsAtTheStopInDialogUnits) {
    const DialogUnits units(TemplateDialog::DialogFont());
    ListBox list(false, units, nullptr);
    list.SetTabStops({65});
    list.AddString("A.SYX\t11- PATCH");
    auto* delegate = dynamic_cast<TabStopDelegate*>(list.itemDelegate());
    ASSERT_NE(delegate, nullptr);
    EXPECT_EQ(delegate->StopAfter(0), units.ToPixelsX(65));
    QStyleOptionViewItem option;
    option.initFrom(&list);
    const QSize hint = delegate->sizeHint(option, list.model()->index(0, 0));
    EXPECT_GE(hint.width(),
              units.ToPixelsX(65) + list.fontMetrics().horizontalAdvance("11- PATCH"));
}

TEST(TrackBar, UserActionsAreReportedEvenWithoutChangeAndCodeIsSilent) {
    TrackBar bar(nullptr);
    bar.setRange(1, 6);
    std::vector<int> reported;
    QObject::connect(&bar, &TrackBar::userMoved,
                     [&](int position) { reported.push_back(position); });
    bar.setValue(3);
    EXPECT_TRUE(reported.empty());
    QTest::keyClick(&bar, Qt::Key_Right);
    QTest::keyClick(&bar, Qt::Key_End);
    QTest::keyClick(&bar, Qt::Key_End);
    QTest::keyClick(&bar, Qt::Key_Q);
    EXPECT_EQ(reported, (std::vector<int>{4, 6, 6}));
}

}  // namespace
}  // namespace tessel

namespace tessel {
namespace {

TEST(ListBoxSelection, CodeSelectsSilentlyTheUserIsHeard) {
    const DialogUnits units(TemplateDialog::DialogFont());
    ListBox list(true, units, nullptr);
    for (const char* text : {"a", "b", "c"}) {
        list.AddString(text);
    }
    int heard = 0;
    QObject::connect(&list, &QListWidget::itemSelectionChanged, [&] { ++heard; });
    list.SelectFromCode(2);
    EXPECT_EQ(list.currentRow(), 2);
    EXPECT_TRUE(list.item(2)->isSelected());
    list.SelectFromCode(7);
    EXPECT_EQ(list.currentRow(), -1);
    EXPECT_TRUE(list.selectedItems().isEmpty());
    EXPECT_EQ(heard, 0);
    list.show();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(1)).center());
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_GE(heard, 1);
}

}  // namespace
}  // namespace tessel
