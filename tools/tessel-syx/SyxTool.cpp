#include "tools/tessel-syx/SyxTool.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string_view>

#include "library/format/DumpFile.h"
#include "library/format/DumpSurvey.h"
#include "library/format/MessageCheck.h"
#include "tools/tessel-syx/CheckedOutput.h"
#include "tools/tessel-syx/ComposeCommand.h"
#include "tools/tessel-syx/CheckReport.h"
#include "tools/tessel-syx/ConvertCommand.h"

namespace tessel::syx {

namespace {

namespace fs = std::filesystem;
using format::MessageProblem;

constexpr std::string_view kUsage =
    R"(Usage: tessel-syx COMMAND ARGUMENTS

Reads Roland JD-800 patch memory dumps (".syx" files) the way the Tessel librarian does.
A dump in the standard layout (266-byte DT1 messages one after the other) is read as it
lies; patch memory written in other DT1 message sizes or orders is assembled by address,
and its patches are those it holds whole. list, check and convert also read Standard MIDI
Files (.mid, format 0 or 1) whose exclusive events hold a dump.
A tab, line break or backslash in a file name is written as \t, \n, \r or \\, so that
each line is one entry. When standard output cannot be written, the command stops and
exits 2, with the reason on standard error.

Commands:
  list FILE         Print the patches of FILE in patch order, one "11- NAME" line each:
                    the patch number, "- " and the 16 stored name bytes cut at a zero byte
                    (trailing blanks kept).
  find TEXT FOLDER  Print every patch of the .syx files in FOLDER whose name contains TEXT,
                    one "FILE<tab>35- NAME" line each. Letter case is ignored and only the
                    first 19 characters of TEXT count; an empty TEXT lists every patch.
                    Files are searched in name order, letter case ignored.
  check FILE...     For each FILE: the layout in which it holds patch memory, where a
                    standard dump starts and how many patches it lists; then every JD-800
                    DT1/RQ1 message whose checksum is wrong, that is too short, or that has
                    no F7, with the offset of the message's F0; every patch that arrived only
                    in part; every message the reading skipped; and where a Standard MIDI
                    File is damaged.
  compose [--device-id ID] OUT FILE:LABEL...
                    Write a bank to OUT made of the named patches, the first into slot 11,
                    the next into 12 and so on (at most 64); the other slots hold empty
                    "<None>" patches. LABEL is a patch number as list shows it, e.g.
                    "compose new.syx a.syx:11 b.syx:35". OUT is byte for byte what Tessel's
                    Bank Builder saves: a 25,536-byte patch memory dump for device ID ID
                    (1..128, default 17). An existing OUT is replaced only once the new one
                    is complete.
  convert [--device-id N] IN OUT
                    Write the patches of IN to OUT as a standard dump of 25,536 bytes, with
                    checksums recomputed and device byte N - 1 (N from 1 to 128, 17 if not
                    given). Patches IN lacks become empty slots named "<None>". OUT is
                    replaced only when the new dump is written whole.
  --help            Show this text.

Exit status:
  list     0 patches listed; 1 FILE holds no patch memory dump; 2 FILE cannot be read.
  find     0 search done, with or without hits; 1 some files could not be read and were
           skipped (each one named on standard error); 2 FOLDER cannot be read.
  check    0 every FILE holds a dump without message problems; 1 a problem was found;
           2 at least one FILE cannot be read.
  compose  0 OUT written; 1 a FILE holds no such patch; 2 a FILE cannot be read or OUT
           cannot be written. OUT is left as it was unless the status is 0.
  convert  0 OUT written; 1 IN holds no JD-800 patch memory (OUT left as it was);
           2 IN cannot be read or OUT cannot be written.
  2 also for an unknown command or missing arguments.
)";

int UsageError(std::ostream& err, std::string_view what) {
    err << "tessel-syx: " << what << "\nTry 'tessel-syx --help' for more information.\n";
    return kExitError;
}

int List(const fs::path& file, std::ostream& out, std::ostream& err) {
    std::error_code error;
    const auto entries = format::ReadPatchNames(file, error);
    if (error) {
        err << "tessel-syx: cannot read " << EscapedName(file.string()) << ": " << error.message()
            << '\n';
        return kExitError;
    }
    for (const auto& entry : entries) {
        out << format::PatchEntryText(entry) << '\n';
    }
    return entries.empty() ? kExitProblem : kExitOk;
}

int Find(std::string_view text, const fs::path& folder, std::ostream& out, std::ostream& err) {
    const format::NameSearch search(text);
    std::error_code error;
    const auto files = format::ListDumpFiles(folder, error);
    if (error) {
        err << "tessel-syx: cannot read folder " << EscapedName(folder.string()) << ": "
            << error.message() << '\n';
        return kExitError;
    }
    int status = kExitOk;
    for (const auto& name : files) {
        const auto hits = format::FindPatchNames(folder / name, search, error);
        const std::string shown = EscapedName(name);
        if (error) {
            err << "tessel-syx: skipped " << shown << ": " << error.message() << '\n';
            status = kExitProblem;
        }
        for (const auto& hit : hits) {
            out << format::FindResultText(shown, hit) << '\n';
        }
    }
    return status;
}

std::string Hex(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

void PrintProblem(const std::string& file, const MessageProblem& problem, std::ostream& out) {
    out << file << ": message at offset " << problem.offset << ": ";
    switch (problem.kind) {
        case MessageProblem::Kind::badChecksum:
            out << "checksum " << Hex(problem.stored) << ", expected " << Hex(problem.expected);
            break;
        case MessageProblem::Kind::tooShort:
            out << "too short to hold an address and a checksum";
            break;
        case MessageProblem::Kind::unterminated:
            out << "no F7 before the next message or the end of the file";
            break;
    }
    out << '\n';
}

// Exit status for one file.
int CheckOne(const fs::path& file, std::ostream& out, std::ostream& err) {
    const std::string shown = EscapedName(file.string());
    std::error_code error;
    const auto survey = format::SurveyDump(file, error);
    if (error) {
        err << "tessel-syx: cannot read " << shown << ": " << error.message() << '\n';
        return kExitError;
    }
    PrintLayout(shown, survey, out);
    for (const auto& problem : survey.report.problems) {
        PrintProblem(shown, problem, out);
    }
    PrintPassedOver(shown, survey, out);
    return CheckStatus(survey);
}

int Check(std::span<const std::string> files, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    for (const auto& file : files) {
        status = std::max(status, CheckOne(file, out, err));
    }
    return status;
}

}  // namespace

int RunSyxTool(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return UsageError(err, "missing command");
    }
    const std::string& command = args[0];
    const auto rest = args.subspan(1);
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "list") {
        return rest.size() == 1 ? List(rest[0], out, err) : UsageError(err, "list takes one FILE");
    }
    if (command == "find") {
        return rest.size() == 2 ? Find(rest[0], rest[1], out, err)
                                : UsageError(err, "find takes TEXT and FOLDER");
    }
    if (command == "check") {
        return !rest.empty() ? Check(rest, out, err)
                             : UsageError(err, "check takes at least one FILE");
    }
    if (command == "compose") {
        return Compose(rest, out, err);
    }
    if (command == "convert") {
        std::string problem;
        const auto request = ParseConvertArguments(rest, problem);
        return request ? Convert(*request, out, err) : UsageError(err, problem);
    }
    return UsageError(err, "unknown command '" + command + "'");
}

}  // namespace tessel::syx
