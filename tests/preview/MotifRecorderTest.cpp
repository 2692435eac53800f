// Motifs recorded from the instrument's keyboard into the slot the type list shows, kept in
// custom.dat and replayed; custom.dat files of any size and content.
#include <signal.h>
#include <sys/resource.h>

#include <climits>
#include <optional>
#include <random>
#include <regex>
#include <thread>

#include <gtest/gtest.h>
#include <QDir>

#include "tests/preview/PreviewFixture.h"

namespace tessel::test {
namespace {

const std::string kClosing = "B9 7B 00|B9 78 00|B9 79 00|B9 07 7F";  // on channel 10
constexpr std::size_t kBlock = 8000;                                 // a motif's bytes
constexpr std::size_t kTimes = 4000;                                 // where its times start

// Recording into Custom 2 keeps the arrival times of channel messages, even while the window
// is busy. Each Stop rewrites custom.dat whole, keeping a slot that caught nothing and the
// other slots as they were; a save that fails, as on a full disk, keeps the old file and
// leaves no temporary one; closing the window while recording saves the recording.
TEST(MotifRecorder, RecordsArrivalTimesSavesAtStopAndCloseAndReplaysOnTheChannel) {
    PreviewWindow f;
    const std::string old = CustomDat({{0, {{0x123092, 0}}}, {1, {{0x7F3092, 0}}}});
    f.WriteCustomDat(old + std::string(36000, '\x92'));
    f.Start("par_Motif=3", 10);
    f.Click("recordButton");
    EXPECT_EQ(f.Find<QAbstractButton>("recordButton")->text(), "Stop");
    EXPECT_FALSE(f.Find("previewTypeCombo")->isEnabled());
    f.Click("recordButton");
    EXPECT_EQ(f.Find<QAbstractButton>("recordButton")->text(), "Record");
    EXPECT_TRUE(f.Find("previewTypeCombo")->isEnabled());
    EXPECT_TRUE(f.ReadCustomDat() == old) << "rewritten at 64,000 bytes, the motif as it was";

    f.Click("recordButton");
    for (const std::uint32_t message : {0x643C92u, 0xFEu, 0xF8u}) {  // active sensing, clock
        f.Play(message);
    }
    std::this_thread::sleep_for(500ms);  // the window busy, handling nothing
    f.Play(0x504092);
    QTest::qWait(100);
    f.Click("recordButton");
    std::string dat = f.ReadCustomDat();
    ASSERT_EQ(dat.size(), 64000u);
    EXPECT_EQ((std::vector{ValueAt(dat, kBlock), ValueAt(dat, kBlock + 4),
                           ValueAt(dat, kBlock + kTimes), ValueAt(dat, kBlock + kTimes + 8)}),
              (std::vector{0x643C92, 0x504092, 0, -1}));
    EXPECT_NEAR(ValueAt(dat, kBlock + kTimes + 4), 500, 100);
    EXPECT_TRUE(dat.substr(0, kBlock) + dat.substr(2 * kBlock) ==
                old.substr(0, kBlock) + old.substr(2 * kBlock));
    f.Click("previewButton");
    const auto heard = f.WaitFor(kClosing);
    EXPECT_EQ(Joined(heard), "99 3C 64|99 40 50|" + kClosing);
    EXPECT_NEAR(MsBetween(heard[0], heard[1]), 500, 150);

    f.Click("recordButton");
    for (std::uint32_t k = 0; k < 1005; ++k) {
        f.Play(0x400090 | (k % 128) << 8);
    }
    QTest::qWait(500);
    f.Click("recordButton");
    dat = f.ReadCustomDat();
    EXPECT_EQ(ValueAt(dat, kBlock + 4 * 998), std::int32_t(0x400090 | (998 % 128) << 8));
    EXPECT_GE(ValueAt(dat, kBlock + kTimes + 4 * 998), 0);
    EXPECT_EQ(ValueAt(dat, kBlock + kTimes + 4 * 999), -1) << "the 1000th event is dropped";

    f.Click("recordButton");
    f.Play(0x504092);
    QTest::qWait(100);
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &limited);
    f.Click("recordButton");
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_TRUE(f.ReadCustomDat() == dat);
    EXPECT_EQ(QDir(f.folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"custom.dat", "tessel.ini"}));

    f.Click("recordButton");
    f.Play(0x7F3092);
    QTest::qWait(100);
    f.window->close();
    dat = f.ReadCustomDat();
    EXPECT_EQ(ValueAt(dat, kBlock), 0x7F3092);
    EXPECT_EQ(ValueAt(dat, kBlock + kTimes + 4), -1);
}

// Whatever custom.dat holds, only channel messages on the configured channel reach the
// instrument, and a run waiting for a far-off event stops at once.
TEST(MotifFile, ShortForeignAndRandomFilesPlayOnlyChannelMessages) {
    const Events three = {{0x643C92, 0}, {0x504092, 0}, {0x7F3092, 0}};
    const Events foreign = {
        {0x403C45, 0}, {0xFFFFF8, 0}, {0xFFFFFF92, 5}, {0x05C2, 5}, {0x643C92, INT_MAX}};
    std::string noise(64000, '\0');
    std::mt19937 random(800);
    for (char& byte : noise) {
        byte = char(random());
    }
    std::string soon = noise;  // every time 0..31 ms: random messages played at once
    for (std::size_t block = 0; block < 64000; block += kBlock) {
        for (std::size_t at = block + kTimes; at < block + kBlock; at += 4) {
            soon.replace(at, 4, {char(soon[at] & 0x1F), 0, 0, 0});
        }
    }
    // Each file, and what Custom 1 plays from it before closing.
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {CustomDat({{0, three}}).substr(0, 10), ""},
        {CustomDat({{0, three}}).substr(0, kTimes + 10), "99 3C 64|99 40 50|"},
        {CustomDat({{0, foreign}}), "99 7F 7F|C9 05|"},
        {noise, std::nullopt},
        {soon, std::nullopt},
    };
    const std::regex channel10("[89A-E]9( [0-7][0-9A-F]){1,2}");
    for (const auto& [dat, custom1] : cases) {
        PreviewWindow f;
        f.WriteCustomDat(dat);
        f.Start("par_Motif=2", 10);
        f.Click("previewButton");
        QTest::qWait(100);
        const auto stopping = Clock::now();
        f.Click("previewButton");
        EXPECT_LT(Clock::now() - stopping, 900ms) << "the run did not stop at once";
        QTest::qWait(100);
        const auto heard = f.CloseWindow();
        if (custom1) {
            EXPECT_EQ(Joined(heard), *custom1 + kClosing + "|" + *custom1 + kClosing);
        }
        for (const Heard& message : heard) {
            EXPECT_TRUE(std::regex_match(Text(message.bytes), channel10)) << Text(message.bytes);
        }
    }
}

}  // namespace
}  // namespace tessel::test
