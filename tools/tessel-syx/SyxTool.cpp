#include "tools/tessel-syx/SyxTool.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string_view>

#include "library/format/DumpFile.h"
#include "library/format/MessageCheck.h"
#include "tools/tessel-syx/ComposeCommand.h"

namespace tessel::syx {

namespace {

namespace fs = std::filesystem;
using format::MessageProblem;

constexpr std::string_view kUsage =
    R"(Usage: tessel-syx COMMAND ARGUMENTS

Reads Roland JD-800 patch memory dumps (".syx" files) the way the Tessel librarian does.

Commands:
  list FILE         Print the patches of FILE in file order, one "11- NAME" line each:
                    the patch number, "- " and the 16 stored name bytes cut at a zero byte
                    (trailing blanks kept).
  find TEXT FOLDER  Print every patch of the .syx files in FOLDER whose name contains TEXT,
                    one "FILE<tab>35- NAME" line each. Letter case is ignored and only the
                    first 19 characters of TEXT count; an empty TEXT lists every patch.
                    Files are searched in name order, letter case ignored.
  check FILE...     For each FILE: whether it holds a patch memory dump, where it starts
                    and how many patches it lists, then every JD-800 DT1/RQ1 message whose
                    checksum is wrong, that is too short, or that has no F7, with the
                    offset of the message's F0.
  compose [--device-id ID] OUT FILE:LABEL...
                    Write a bank to OUT made of the named patches, the first into slot 11,
                    the next into 12 and so on (at most 64); the other slots hold empty
                    "<None>" patches. LABEL is a patch number as list shows it, e.g.
                    "compose new.syx a.syx:11 b.syx:35". OUT is byte for byte what Tessel's
                    Bank Builder saves: a 25,536-byte patch memory dump for device ID ID
                    (1..128, default 17). An existing OUT is replaced only once the new one
                    is complete.
  --help            Show this text.

Exit status:
  list   0 patches listed; 1 FILE holds no patch memory dump; 2 FILE cannot be read.
  find   0 search done, with or without hits; 1 some files could not be read and were
         skipped (each one named on standard error); 2 FOLDER cannot be read.
  check  0 every FILE holds a dump without message problems; 1 a problem was found;
         2 at least one FILE cannot be read.
  compose 0 OUT written; 1 a FILE holds no such patch; 2 a FILE cannot be read or OUT
          cannot be written. OUT is left as it was unless the status is 0.
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
        err << "tessel-syx: cannot read " << file.string() << ": " << error.message() << '\n';
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
        err << "tessel-syx: cannot read folder " << folder.string() << ": " << error.message()
            << '\n';
        return kExitError;
    }
    int status = kExitOk;
    for (const auto& name : files) {
        const auto hits = format::FindPatchNames(folder / name, search, error);
        if (error) {
            err << "tessel-syx: skipped " << name << ": " << error.message() << '\n';
            status = kExitProblem;
        }
        for (const auto& hit : hits) {
            out << format::FindResultText(name, hit) << '\n';
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
    const std::string shown = file.string();
    std::error_code error;
    const auto start = format::FindDumpStart(file, error);
    std::vector<format::PatchEntry> entries;
    format::MessageReport report;
    if (!error) {
        entries = format::ReadPatchNames(file, error);
    }
    if (!error) {
        report = format::CheckMessages(file, error);
    }
    if (error) {
        err << "tessel-syx: cannot read " << shown << ": " << error.message() << '\n';
        return kExitError;
    }
    if (start) {
        out << shown << ": patch memory dump at offset " << *start << ", " << entries.size()
            << " patches, " << report.messages << " messages\n";
    } else {
        out << shown << ": no patch memory dump, " << report.messages << " messages\n";
    }
    for (const auto& problem : report.problems) {
        PrintProblem(shown, problem, out);
    }
    return start && report.problems.empty() ? kExitOk : kExitProblem;
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
    return UsageError(err, "unknown command '" + command + "'");
}

}  // namespace tessel::syx
