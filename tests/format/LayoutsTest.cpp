// Patch memory in every layout the readers take: the names, a record read back, the search
// and `convert` against the standard dump of the same patches.
#include <gtest/gtest.h>

#include <sstream>

#include "library/format/DumpFile.h"
#include "library/format/DumpReaders.h"
#include "tests/format/LayoutFixtures.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel::format {
namespace {

using namespace test;

TEST(Layouts, NamesRecordsSearchAndConvert) {
    TempFolder folder;
    for (const auto& c : LayoutFiles()) {
        const auto file = folder.Write("in.mid", c.bytes);
        Records converted{};
        std::vector<PatchEntry> names;
        for (auto& record : converted) {
            SetName(record, "<None>");
        }
        for (int i : c.held) {
            names.push_back({i, std::string(detail::NameAt(c.content[i].data()))});
            converted[i] = c.content[i];
        }
        std::error_code error;
        EXPECT_EQ(ReadPatchNames(file), names) << c.what;
        EXPECT_EQ(ReadPatchNamesFromBytes(c.bytes), names) << c.what;
        EXPECT_EQ(FindPatchNames(file, NameSearch(""), error), names) << c.what;
        for (std::size_t chunk : {1u, 300u}) {
            FileWindow window(file, chunk);
            EXPECT_EQ(detail::ReadPatchNamesIn(window), names) << c.what << " " << chunk;
        }
        EXPECT_EQ(ReadPatchRecord(file, c.held.back()), c.content[c.held.back()]) << c.what;
        EXPECT_EQ(ReadPatchRecord(file, 1).has_value(), names[1].index == 1) << c.what;

        std::ostringstream out, err;
        const std::vector<std::string> args{"convert", file, folder.Path() / "out.syx"};
        EXPECT_EQ(syx::RunSyxTool(args, out, err), 0) << c.what << ": " << err.str();
        EXPECT_EQ(FileBytes(folder.Path() / "out.syx"), DumpBytes(converted)) << c.what;
    }
}

}  // namespace
}  // namespace tessel::format
