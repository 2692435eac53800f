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
    // The settings, the channel; the notes: how many, the first, the highest (0 without
    // notes); their velocity; how long from the click to the last closing controller, at least.
    using Case = std::tuple<std::string, int, std::vector<int>, int, int>;
    const std::string arpeggio = "par_Motif=1\npar_Tempo=60000\npar_Range=";
    const Case cases[] = {
        {arpeggio + "1", 1, {9, 60, 72}, 100, 0},
        {arpeggio + "2", 1, {17, 60, 84}, 100, 0},
        {arpeggio + "3", 1, {25, 48, 84}, 100, 0},
        {arpeggio + "6", 1, {49, 36, 108}, 100, 0},
        {arpeggio + "9\npar_Velo=300", 1, {57, 12, 96}, 127, 0},
        {arpeggio + "13\npar_Velo=-5", 1, {49, 0, 72}, 0, 0},
        {arpeggio + "0", 1, {0, 0, 0}, 0, 0},
        {"par_Range=1\npar_Tempo=600\npar_Motif=12", 1, {1, 24, 24}, 100, 90},
        {"par_Range=6\npar_Tempo=600", 10, {1, 84, 84}, 100, 90},
        {"par_Tempo=0", 1, {1, 60, 60}, 100, 1400},
        {"par_Tempo=-5\npar_Range=10", 1, {0, 0, 0}, 0, 1400},
        {"par_Motif=3", 1, {0, 0, 0}, 0, 0},  // an empty motif: controllers reset too
    };
    for (const auto& [config, channel, notes, velocity, lastsMs] : cases) {
        SCOPED_TRACE(config);
        PreviewWindow f;
        f.Start(config, channel);
        const auto clicked = Clock::now();
        f.Click("previewButton");
        const std::string closing = channel == 10             ? "B9 7B 00|B9 78 00"
                                    : config == "par_Motif=3" ? kClosing + "|B0 79 00|B0 07 7F"
                                                              : kClosing;
        const auto heard = f.WaitFor(closing);
        ASSERT_FALSE(heard.empty());
        EXPECT_GE(heard.back().time - clicked, std::chrono::milliseconds(lastsMs));
        const auto end =
            heard.size() - std::size_t(std::count(closing.begin(), closing.end(), '|') + 1);
        EXPECT_EQ(Joined(heard, end), closing);
        std::vector<int> played;
        for (std::size_t i = 0; i + 1 < end; i += 2) {
            played.push_back(heard[i].bytes[1]);
            EXPECT_EQ(Joined(heard, i, i + 2),
                      QString::asprintf("%X %02X %02X|%X %02X %02X", 0x8F + channel, played.back(),
                                        velocity, 0x7F + channel, played.back(), velocity)
                          .toStdString());
        }
        const auto top = std::max_element(played.begin(), played.end());
        EXPECT_EQ((std::vector<int>{int(played.size()), played.empty() ? 0 : played[0],
                                    played.empty() ? 0 : *top}),
                  notes);
    }
}

// A run reads the tempo and the range afresh at every note: the range's new bound ends the
// ascent, while the base note stays the one it started from.
TEST(PreviewPatterns, ArpeggioKeepsItsRhythmAndTakesNewValuesAtTheNextNote) {
    PreviewWindow f;
    f.Start("par_Motif=1\npar_Range=1");
    f.Click("previewButton");
    auto heard = f.WaitFor(kClosing);
    EXPECT_EQ(Joined(heard),
              "90 3C 64|80 3C 64|90 40 64|80 40 64|90 41 64|80 41 64|90 45 64|"
              "80 45 64|90 48 64|80 48 64|90 45 64|80 45 64|90 41 64|80 41 64|"
              "90 40 64|80 40 64|90 3C 64|80 3C 64|" +
                  kClosing);
    // Notes of 71 ms, 35 ms apart; summed over eight, as single gaps jitter on a busy machine.
    double notes = 0;
    double gaps = 0;
    for (std::size_t i = 0; i + 4 < heard.size(); i += 2) {
        notes += MsBetween(heard[i], heard[i + 1]);
        gaps += MsBetween(heard[i + 1], heard[i + 2]);
    }
    EXPECT_GT(notes, 1.3 * gaps);
    EXPECT_NEAR(notes + gaps, 8 * (71 + 35), 400);

    // From 250 ms notes at Tempo 40 and Range 6 to 50 ms notes at 200 and Range 1.
    f.midi.Instrument().ClearLog();
    QTest::keyClick(f.Find("tempoSlider"), Qt::Key_Home);
    QTest::keyClick(f.Find("rangeSlider"), Qt::Key_End);
    f.Click("previewButton");
    f.WaitFor("90 24 64");
    QTest::keyClick(f.Find("tempoSlider"), Qt::Key_End);
    QTest::keyClick(f.Find("rangeSlider"), Qt::Key_Home);
    EXPECT_EQ(f.Find<QLabel>("tempoLabel")->text(), "Temp&o (200)");
    heard = f.WaitFor(kClosing);
    ASSERT_EQ(heard.size(), 20u);
    EXPECT_EQ(Text(heard[8].bytes), "90 30 64");
    EXPECT_GT(MsBetween(heard[0], heard[1]), 200);
    for (std::size_t i = 2; i < 18; i += 2) {
        EXPECT_LT(MsBetween(heard[i], heard[i + 1]), 150) << "note " << i / 2;
    }
}

// Ticking Auto Preview and choosing a type start a run, cutting the one playing; clearing the
// box and moving a bar neither start nor stop one; closing the window ends the run at once.
TEST(PreviewControls, AutoPreviewAndTheTypeListStartRunsTheBarsNeverTheCloseStops) {
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

    const auto closing = Clock::now();
    const auto heard = f.CloseWindow();
    EXPECT_LT(Clock::now() - closing, 2500ms);
    ASSERT_GE(heard.size(), 12u);
    EXPECT_EQ(heard[heard.size() - 3].bytes[0], 0x80) << "the sounding note ended";
    EXPECT_EQ(Joined(heard, heard.size() - 2), kClosing);
    QTest::qWait(200);
    EXPECT_EQ(f.Log().size(), heard.size() + 16) << "a run went on after the close";
}

}  // namespace
}  // namespace tessel::test
