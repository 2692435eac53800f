#include "tools/tessel-syx/CheckReport.h"

#include <cstdio>
#include <ostream>

#include "tools/tessel-syx/SyxTool.h"

namespace tessel::syx {

namespace {

using format::DumpLayout;
using format::MidiFileDamage;
using format::SkippedMessage;

std::string AddressText(const format::Address& address) {
    char text[9];
    std::snprintf(text, sizeof text, "%02X %02X %02X", address[0], address[1], address[2]);
    return text;
}

const char* DamageText(MidiFileDamage::Kind kind) {
    switch (kind) {
        case MidiFileDamage::Kind::shortHeader:
            return "header chunk cut short";
        case MidiFileDamage::Kind::chunkPastFileEnd:
            return "chunk length runs past the end of the file";
        case MidiFileDamage::Kind::eventPastChunkEnd:
            return "event runs past the end of its track";
        case MidiFileDamage::Kind::longNumber:
            return "number longer than four bytes";
        case MidiFileDamage::Kind::noRunningStatus:
            return "data byte without a running status";
        case MidiFileDamage::Kind::notAnEvent:
            return "status byte that begins no event";
    }
    return "";
}

std::string SkipText(const SkippedMessage& skipped) {
    switch (skipped.reason) {
        case SkippedMessage::Reason::beforeDump:
            return "before the patch memory dump";
        case SkippedMessage::Reason::notJd800Data:
            return "not a JD-800 DT1 message";
        case SkippedMessage::Reason::outsidePatchMemory:
            return "DT1 to " + AddressText(skipped.address) + ", outside patch memory";
        case SkippedMessage::Reason::noData:
            return "DT1 without data";
    }
    return "";
}

void PrintMidiFile(const std::string& shown, const format::MidiFileInfo& info, std::ostream& out) {
    out << shown << ": Standard MIDI File, format " << info.format << ", " << info.tracks
        << (info.tracks == 1 ? " track\n" : " tracks\n");
    for (const auto& damage : info.damage) {
        out << shown << ": damaged at offset " << damage.offset << ": " << DamageText(damage.kind)
            << ", read up to there\n";
    }
}

}  // namespace

void PrintLayout(const std::string& shown, const format::DumpSurvey& survey, std::ostream& out) {
    if (survey.midiFile) {
        PrintMidiFile(shown, *survey.midiFile, out);
    }
    out << shown << ": ";
    switch (survey.layout) {
        case DumpLayout::standard:
            out << "patch memory dump at offset " << survey.start << ", ";
            break;
        case DumpLayout::byAddress:
            out << "patch memory assembled by address from " << survey.dataMessages
                << " DT1 messages of " << survey.smallestData;
            if (survey.largestData != survey.smallestData) {
                out << " to " << survey.largestData;
            }
            out << " data bytes, ";
            break;
        case DumpLayout::none:
            out << "no patch memory dump, " << survey.report.messages << " messages\n";
            return;
    }
    out << survey.patches << " patches, " << survey.report.messages << " messages\n";
}

void PrintPassedOver(const std::string& shown, const format::DumpSurvey& survey,
                     std::ostream& out) {
    for (const auto& patch : survey.incomplete) {
        out << shown << ": patch " << format::PatchLabel(patch.index) << " incomplete, "
            << patch.bytes << " of " << format::kPatchRecordSize << " bytes\n";
    }
    for (const auto& skipped : survey.skipped) {
        out << shown << ": message at offset " << skipped.offset
            << " skipped: " << SkipText(skipped) << '\n';
    }
}

int CheckStatus(const format::DumpSurvey& survey) {
    const bool holdsPatches = survey.layout == DumpLayout::standard ||
                              (survey.layout == DumpLayout::byAddress && survey.patches > 0);
    const bool damaged = survey.midiFile && !survey.midiFile->damage.empty();
    return holdsPatches && !damaged && survey.report.problems.empty() && survey.incomplete.empty()
               ? kExitOk
               : kExitProblem;
}

}  // namespace tessel::syx
