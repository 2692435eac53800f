#include "library/format/DumpSurvey.h"

#include <algorithm>
#include <string_view>

#include "library/format/DumpReaders.h"
#include "library/format/FileWindow.h"
#include "library/format/PatchAssembly.h"

namespace tessel::format {

namespace {

using Use = MessageUse::Kind;

void CountHeldPatches(const PatchMemory& memory, DumpSurvey& survey) {
    for (std::size_t i = 0; i < kPatchCount; ++i) {
        if (memory.Held(i)) {
            ++survey.patches;
        } else if (memory.arrivedCount[i] > 0) {
            survey.incomplete.push_back({static_cast<int>(i), memory.arrivedCount[i]});
        }
    }
}

void CountDataMessages(const std::vector<MessageUse>& uses, DumpSurvey& survey) {
    for (const MessageUse& use : uses) {
        if (use.kind != Use::patchData) {
            continue;
        }
        survey.smallestData =
            survey.dataMessages == 0 ? use.dataBytes : std::min(survey.smallestData, use.dataBytes);
        survey.largestData = std::max(survey.largestData, use.dataBytes);
        ++survey.dataMessages;
    }
}

// Messages that are problems already (too short, no F7) are not named again.
std::optional<SkippedMessage::Reason> SkipReason(const MessageUse& use, const DumpSurvey& survey) {
    const bool standard = survey.layout == DumpLayout::standard;
    switch (use.kind) {
        case Use::patchData:
            if (standard && use.offset < survey.start) {
                return SkippedMessage::Reason::beforeDump;
            }
            return std::nullopt;
        case Use::notJd800Data:
            return SkippedMessage::Reason::notJd800Data;
        case Use::outsidePatchMemory:
            return SkippedMessage::Reason::outsidePatchMemory;
        case Use::noData:
            return SkippedMessage::Reason::noData;
        case Use::tooShort:
        case Use::unterminated:
            return std::nullopt;
    }
    return std::nullopt;
}

void NameSkipped(const std::vector<MessageUse>& uses, DumpSurvey& survey) {
    const auto& problems = survey.report.problems;
    for (const MessageUse& use : uses) {
        const bool inLayout = survey.layout == DumpLayout::standard && use.offset >= survey.start;
        const bool problem = std::any_of(problems.begin(), problems.end(),
                                         [&](const auto& p) { return p.offset == use.offset; });
        const auto reason = SkipReason(use, survey);
        if (!inLayout && !problem && reason) {
            survey.skipped.push_back({use.offset, *reason, use.address});
        }
    }
}

template <class Window>
DumpSurvey SurveyStreamIn(Window& window, MessageReport report) {
    DumpSurvey survey;
    survey.report = std::move(report);
    PatchMemory memory;
    std::vector<MessageUse> uses;
    AssemblyWalk walk(memory, &uses);
    detail::AssembleIn(window, walk);
    if (const auto start = detail::StandardStartIn(window)) {
        survey.layout = DumpLayout::standard;
        survey.start = *start;
        auto count = [&survey](int, std::string_view) { ++survey.patches; };
        detail::VisitBlockNamesIn(window, *start, count);
    } else {
        CountDataMessages(uses, survey);
        if (survey.dataMessages > 0) {
            survey.layout = DumpLayout::byAddress;
            CountHeldPatches(memory, survey);
        }
    }
    NameSkipped(uses, survey);
    return survey;
}

// The stream's offsets turned into the file's.
DumpSurvey SurveyMidiFile(const MidiFileSysex& file) {
    MemoryWindow stream(file.stream);
    DumpSurvey survey = SurveyStreamIn(stream, CheckMessagesInBytes(file.stream));
    if (survey.layout == DumpLayout::standard) {
        survey.start = file.FileOffset(survey.start);
    }
    for (auto& problem : survey.report.problems) {
        problem.offset = file.FileOffset(problem.offset);
    }
    for (auto& skipped : survey.skipped) {
        skipped.offset = file.FileOffset(skipped.offset);
    }
    survey.midiFile = file.info;
    return survey;
}

}  // namespace

DumpSurvey SurveyDump(const std::filesystem::path& file, std::error_code& error) {
    FileWindow window(file);
    DumpSurvey survey;
    if (detail::IsMidiFileIn(window)) {
        survey = SurveyMidiFile(detail::ReadMidiFileIn(window));
    } else {
        survey = SurveyStreamIn(window, CheckMessagesIn(window));
    }
    error = window.Error();
    return error ? DumpSurvey{} : survey;
}

DumpSurvey SurveyDumpBytes(std::span<const std::uint8_t> bytes) {
    if (IsMidiFile(bytes)) {
        return SurveyMidiFile(ReadMidiFileSysex(bytes));
    }
    MemoryWindow window(bytes);
    return SurveyStreamIn(window, CheckMessagesInBytes(bytes));
}

}  // namespace tessel::format
