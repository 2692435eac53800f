// The preview patterns as the instrument hears them, started from the window's controls,
// with stored values inside and outside the track bars' ranges.
#include <algorithm>

#include <gtest/gtest.h>
#include <QLabel>

#include "tests/preview/PreviewFixture.h"

namespace tessel::test {
namespace {

const std::string kClosing = "B0 7B 00|B0 78 00";

// Notes come in pairs, a note-on and the same note's note-off, on the channel at one
// velocity; the closing controllers follow.
TEST(PreviewPatterns, NotesVelocitiesChannelAndClosingControllers) {
    struct Case {
        std::string config;
        int channel;
        std::vector<int> notes;  // how many, the first, the highest (0 without notes)
        int velocity;
        std::string closing;
        int lastsMs;  // from the click to the last closing controller, at least
    };
    const std::string arpeggio = "par_Motif=1\npar_Tempo=60000\npar_Range=";
    const Case cases[] = {
        {arpeggio + "1", 1, {9, 60, 72}, 100, kClosing, 0},
        {arpeggio + "2", 1, {17, 60, 84}, 100, kClosing, 0},
        {arpeggio + "3", 1, {25, 48, 84}, 100, kClosing, 0},
        {arpeggio + "4", 1, {33, 48, 96}, 100, kClosing, 0},
        {arpeggio + "5", 1, {41, 36, 96}, 100, kClosing, 0},
        {arpeggio + "6", 1, {49, 36, 108}, 100, kClosing, 0},
        {arpeggio + "9\npar_Velo=300", 1, {57, 12, 96}, 127, kClosing, 0},
        {arpeggio + "13\npar_Velo=-5", 1, {49, 0, 72}, 0, kClosing, 0},
        {arpeggio + "0", 1, {0, 0, 0}, 0, kClosing, 0},
        {"par_Range=1\npar_Tempo=600", 1, {1, 24, 24}, 100, kClosing, 90},
        {"par_Range=4\npar_Tempo=600\npar_Motif=12", 1, {1, 60, 60}, 100, kClosing, 90},
        {"par_Range=6\npar_Tempo=600", 10, {1, 84, 84}, 100, "B9 7B 00|B9 78 00", 90},
        {"par_Range=10\npar_Tempo=600", 1, {0, 0, 0}, 0, kClosing, 90},
        {"par_Tempo=0", 1, {1, 60, 60}, 100, kClosing, 1400},
        {"par_Tempo=-5\npar_Range=10", 1, {0, 0, 0}, 0, kClosing, 1400},
        {"par_Motif=3", 1, {0, 0, 0}, 0, kClosing + "|B0 79 00|B0 07 7F", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config);
        PreviewWindow f;
        f.Start(c.config, c.channel);
        const auto clicked = Clock::now();
        f.Click("previewButton");
        const auto heard = f.WaitFor(c.closing);
        ASSERT_FALSE(heard.empty());
        EXPECT_GE(heard.back().at - clicked, std::chrono::milliseconds(c.lastsMs));
        const auto notes =
            heard.size() - std::size_t(std::count(c.closing.begin(), c.closing.end(), '|') + 1);
        EXPECT_EQ(Joined(heard, notes), c.closing);
        std::vector<int> played;
        for (std::size_t i = 0; i + 1 < notes; i += 2) {
            const std::uint8_t note = heard[i].bytes[1], velocity = std::uint8_t(c.velocity);
            EXPECT_EQ(heard[i].bytes, (std::vector<std::uint8_t>{std::uint8_t(0x90 + c.channel - 1),
                                                                 note, velocity}));
            EXPECT_EQ(heard[i + 1].bytes, (std::vector<std::uint8_t>{
                                              std::uint8_t(0x80 + c.channel - 1), note, velocity}));
            played.push_back(note);
        }
        const int first = played.empty() ? 0 : played.front();
        const int top = played.empty() ? 0 : *std::max_element(played.begin(), played.end());
        EXPECT_EQ((std::vector<int>{int(played.size()), first, top}), c.notes);
    }
}

TEST(PreviewPatterns, ArpeggioKeepsItsRhythmAndTakesANewTempoAtTheNextNote) {
    PreviewWindow f;
    f.Start("par_Motif=1\npar_Range=1");
    f.Click("previewButton");
    auto heard = f.WaitFor(kClosing);
    EXPECT_EQ(Joined(heard),
              "90 3C 64|80 3C 64|90 40 64|80 40 64|90 41 64|80 41 64|90 45 64|"
              "80 45 64|90 48 64|80 48 64|90 45 64|80 45 64|90 41 64|80 41 64|"
              "90 40 64|80 40 64|90 3C 64|80 3C 64|" +
                  kClosing);
    for (std::size_t i = 0; i + 4 < heard.size(); i += 2) {
        EXPECT_NEAR(MsBetween(heard[i], heard[i + 1]), 71, 40) << "note " << i / 2;
        EXPECT_NEAR(MsBetween(heard[i + 1], heard[i + 2]), 35, 30) << "after note " << i / 2;
    }

    // From 250 ms notes at Tempo 40 to 50 ms notes at 200, from the next note on.
    f.Instrument().ClearLog();
    QTest::keyClick(f.Find("tempoSlider"), Qt::Key_Home);
    f.Click("previewButton");
    f.WaitFor("90 3C 64");
    QTest::keyClick(f.Find("tempoSlider"), Qt::Key_End);
    EXPECT_EQ(f.Find<QLabel>("tempoLabel")->text(), "Temp&o (200)");
    heard = f.WaitFor(kClosing);
    ASSERT_EQ(heard.size(), 20u);
    EXPECT_GT(MsBetween(heard[0], heard[1]), 200);
    for (std::size_t i = 2; i < 18; i += 2) {
        EXPECT_LT(MsBetween(heard[i], heard[i + 1]), 150) << "note " << i / 2;
    }
}

TEST(PreviewRuns, PreviewAgainCutsTheRunAndClosingTheWindowStopsIt) {
    PreviewWindow f;
    f.Start("par_Motif=1\npar_Range=6");
    f.Click("previewButton");
    f.WaitFor("90 24 64");
    f.Click("previewButton");
    EXPECT_EQ(Joined(f.WaitFor("78 00|90"), 0, 5), "90 24 64|80 24 64|" + kClosing + "|90 24 64");
    const auto closing = Clock::now();
    const auto heard = f.CloseWindow();
    EXPECT_LT(Clock::now() - closing, 2500ms);
    ASSERT_GE(heard.size(), 8u);
    EXPECT_EQ(heard[heard.size() - 3].bytes[0], 0x80) << "the sounding note ended";
    EXPECT_EQ(Joined(heard, heard.size() - 2), kClosing);
    QTest::qWait(200);
    EXPECT_EQ(f.Log().size(), heard.size() + 16) << "a run went on after the close";
}

// Ticking Auto Preview and choosing a type start a run; clearing the box and moving a bar
// neither start nor stop one.
TEST(PreviewControls, AutoPreviewAndTheTypeListStartRunsTheBarsNever) {
    PreviewWindow f;
    f.Start("par_TestSel=0\npar_Tempo=40");
    QTest::keyClick(f.Find("tempoSlider"), Qt::Key_Right);
    f.Click("autoPreviewCheck");
    f.WaitFor("90 3C 64");
    f.Click("autoPreviewCheck");
    QTest::keyClick(f.Find("tempoSlider"), Qt::Key_Right);
    QTest::qWait(200);
    EXPECT_EQ(Joined(f.Log()), "90 3C 64");
    f.Click("autoPreviewCheck");
    QTest::keyClick(f.Find("previewTypeCombo"), Qt::Key_Down);
    EXPECT_EQ(Joined(f.WaitFor("|90 30"), 0, 9),
              "90 3C 64|80 3C 64|" + kClosing + "|90 3C 64|80 3C 64|" + kClosing + "|90 30 64");
}

}  // namespace
}  // namespace tessel::test
