// Times Tessel's RtMidi backend on JACK against the test instrument (a separate process):
//   - round trip of a 13-byte request and its 266-byte reply, median and 99th percentile;
//   - 96 messages of 266 bytes, each sent after the previous one's done notice: total time
//     against the cable time of 96 x 85.1 ms, and the gaps between the messages as the
//     instrument received them against the cable time of one message.
//
//   tessel_bench_midi_jack [--async] [--load] [--round-trips N]
//
// Starts a private jackd (dummy driver, 48 kHz, period 64), synchronous unless --async is
// given; --load keeps a busy process running beside it. Not part of the test suite.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "library/format/RolandMessage.h"
#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/ChildProcess.h"
#include "tests/e2e/JackTestSupport.h"

namespace {

using namespace std::chrono_literals;
using tessel::midi::MidiHeader;
using tessel::test::RecordingTarget;
using Clock = std::chrono::steady_clock;
using Kind = RecordingTarget::Notice;
namespace MidiError = tessel::midi::MidiError;
namespace format = tessel::format;

constexpr double kByteMs = 0.32;

struct Options {
    bool async = false;
    bool load = false;
    int roundTrips = 200;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--async") {
            options.async = true;
        } else if (word == "--load") {
            options.load = true;
        } else if (word == "--round-trips" && i + 1 < argc) {
            options.roundTrips = std::atoi(argv[++i]);
        }
    }
    return options;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

void PrintSpread(const char* what, const std::vector<double>& values) {
    std::printf("%-34s median %7.2f ms   p99 %7.2f ms   min %7.2f   max %7.2f   (n=%zu)\n", what,
                Percentile(values, 0.5), Percentile(values, 0.99), Percentile(values, 0.0),
                Percentile(values, 1.0), values.size());
}

struct Block {
    explicit Block(std::vector<std::uint8_t> content) : bytes(std::move(content)) {
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
    }
    std::vector<std::uint8_t> bytes;
    MidiHeader header;
};

struct Ports {
    std::unique_ptr<tessel::midi::MidiOutPort> out;
    std::unique_ptr<tessel::midi::MidiInPort> in;
};

// Listing, opening and closing as the port layer does them (count, caps, open).
Ports OpenPorts(tessel::midi::MidiService& service, tessel::test::TestInstrument& instrument,
                RecordingTarget& target) {
    Ports ports;
    auto start = Clock::now();
    const auto out = tessel::test::FindOutDevice(service, instrument.InputPort());
    const double listOut = Ms(Clock::now() - start);
    start = Clock::now();
    const bool outOpened = out && service.OutOpen(ports.out, *out, target) == MidiError::kNoError;
    const double openOut = Ms(Clock::now() - start);
    start = Clock::now();
    const auto in = tessel::test::FindInDevice(service, instrument.OutputPort());
    const bool inOpened = in && service.InOpen(ports.in, *in, target) == MidiError::kNoError;
    const double listAndOpenIn = Ms(Clock::now() - start);
    if (outOpened && inOpened) {
        ports.in->Start();
    }
    std::printf("list outputs %.1f ms, open output %.1f ms, list inputs and open %.1f ms\n",
                listOut, openOut, listAndOpenIn);
    return ports;
}

void ClosePorts(Ports& ports) {
    auto start = Clock::now();
    ports.out->Reset();
    ports.out.reset();
    const double closeOut = Ms(Clock::now() - start);
    start = Clock::now();
    ports.in->Reset();
    ports.in.reset();
    std::printf("reset and close output %.1f ms, input %.1f ms\n", closeOut,
                Ms(Clock::now() - start));
}

// Request k, time to its reply (input notice) and to both notices (the reply and the
// request's done notice, which follows 13 x 0.32 ms after the send). A trip with no reply
// within 2 s is counted as lost; a reply to another request (an asynchronous server can
// hand a late client's port buffer on twice) as a wrong reply.
void RoundTrips(Ports& ports, RecordingTarget& target, tessel::test::TestInstrument& instrument,
                int count) {
    std::vector<double> reply;
    std::vector<double> both;
    int lost = 0;
    int wrong = 0;
    Block buffer(std::vector<std::uint8_t>(2048));
    ports.in->PrepareHeader(buffer.header);
    for (int k = 0; k < count; ++k) {
        const std::size_t repliesBefore = target.Of(Kind::InputLongData).size();
        const std::size_t doneBefore = target.Of(Kind::OutputDone).size();
        ports.in->AddBuffer(buffer.header);
        const auto address =
            format::AddressPlus(format::kPatchMemoryAddress, 256u * static_cast<unsigned>(k % 96));
        Block request(format::BuildDumpRequest(format::kDefaultDeviceByte, address));
        ports.out->PrepareHeader(request.header);
        const auto start = Clock::now();
        ports.out->LongMsg(request.header);
        if (!target.WaitFor(Kind::InputLongData, repliesBefore + 1, 2000ms) ||
            !target.WaitFor(Kind::OutputDone, doneBefore + 1, 2000ms)) {
            ++lost;
            ports.in->Reset();
            ports.in->Start();
            continue;
        }
        if (!std::equal(address.begin(), address.end(), buffer.bytes.begin() + 5)) {
            ++wrong;
        }
        const auto replyAt = target.Of(Kind::InputLongData)[repliesBefore].at;
        const auto doneAt = target.Of(Kind::OutputDone)[doneBefore].at;
        reply.push_back(Ms(replyAt - start));
        both.push_back(Ms(std::max(replyAt, doneAt) - start));
        ports.out->UnprepareHeader(request.header);
    }
    std::this_thread::sleep_for(100ms);
    ports.in->Reset();  // gives back the buffer if no reply is left to fill it
    ports.in->Start();
    const auto requestsSeen = instrument.Collect("sysex", 3000ms).size();
    std::printf(
        "requests sent %d, received by the instrument %zu; round trips lost %d, wrong replies "
        "%d\n",
        count, requestsSeen, lost, wrong);
    PrintSpread("13-byte request, 266-byte reply:", reply);
    PrintSpread("... and the request's done notice:", both);
}

void PrintGaps(const std::vector<tessel::test::InstrumentReport>& arrivals, double expected) {
    std::vector<double> errors;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        errors.push_back(static_cast<double>(arrivals[i].ns - arrivals[i - 1].ns) / 1e6 - expected);
    }
    if (errors.empty()) {
        return;
    }
    const double mean =
        std::accumulate(errors.begin(), errors.end(), 0.0) / static_cast<double>(errors.size());
    std::vector<double> absolute;
    for (const double error : errors) {
        absolute.push_back(std::fabs(error));
    }
    std::printf(
        "gap at the instrument - %.2f ms:     mean %+6.2f ms   |error| median %.2f ms   "
        "p99 %.2f ms   min %+6.2f   max %+6.2f   (n=%zu)\n",
        expected, mean, Percentile(absolute, 0.5), Percentile(absolute, 0.99),
        Percentile(errors, 0.0), Percentile(errors, 1.0), errors.size());
}

// The 96 messages of a patch memory dump, each sent once the previous one's done notice
// has come, as the whole-file send does.
void WholeMemory(Ports& ports, RecordingTarget& target, tessel::test::TestInstrument& instrument) {
    const std::array<format::PatchRecord, format::kPatchCount> records{};
    const auto messages = format::BuildPatchMemoryDump(format::kDefaultDeviceByte, records);
    const std::size_t doneBefore = target.Of(Kind::OutputDone).size();
    const auto start = Clock::now();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        Block block(messages[i]);
        ports.out->PrepareHeader(block.header);
        ports.out->LongMsg(block.header);
        if (!target.WaitFor(Kind::OutputDone, doneBefore + i + 1, 2000ms)) {
            std::printf("message %zu: no done notice\n", i);
            return;
        }
        ports.out->UnprepareHeader(block.header);
    }
    const double total = Ms(Clock::now() - start);
    const double oneMessage = format::kDt1MessageSize * kByteMs;
    const double cable = static_cast<double>(messages.size()) * oneMessage;
    std::printf(
        "96 x 266 bytes with done notices:  %.1f ms against %.1f ms of cable time "
        "(+%.1f ms, %.3f ms a message)\n",
        total, cable, total - cable, (total - cable) / static_cast<double>(messages.size()));
    const auto arrivals = instrument.Collect("sysex", 1000ms);
    std::printf("messages the instrument received:  %zu\n", arrivals.size());
    PrintGaps(arrivals, oneMessage);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    tessel::test::OwnJackServer jack(!options.async);
    std::unique_ptr<tessel::test::ChildProcess> load;
    if (options.load) {
        load = std::make_unique<tessel::test::ChildProcess>(
            "/bin/sh", std::vector<std::string>{"-c", "exec sh -c 'while :; do :; done'"});
    }
    std::printf("JACK dummy driver, 48 kHz, period 64 (1.33 ms), %s mode, %s\n",
                options.async ? "asynchronous" : "synchronous",
                options.load ? "a busy process beside it" : "no other load");
    tessel::test::TestInstrument instrument;
    tessel::midi::RtMidiBackend backend({"jack"});
    RecordingTarget target;
    if (!instrument.Ready()) {
        std::printf("the test instrument did not start\n");
        return 1;
    }
    Ports ports = OpenPorts(backend, instrument, target);
    if (!ports.out || !ports.in) {
        std::printf("could not open the instrument's ports\n");
        return 1;
    }
    RoundTrips(ports, target, instrument, options.roundTrips);
    WholeMemory(ports, target, instrument);
    ClosePorts(ports);
    if (load) {
        kill(load->Pid(), SIGKILL);
    }
    return 0;
}
