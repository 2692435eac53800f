// tessel-test-instrument NAME: a stand-in JD-800 on JACK for the end-to-end tests and
// benchmarks. It opens the input "NAME:midi_in" and the output "NAME_out:midi_out" with
// RtMidi, keeps the data of each 266-byte DT1 it receives and answers each request for 256
// bytes with the DT1 of that address (made-up data where it was sent none). Every message
// received is reported on stdout, stamped with the monotonic clock in nanoseconds:
//   ready NAME:midi_in NAME_out:midi_out / short <ns> <hex bytes> / sysex <ns> <length>
// Commands on stdin, one a line (end of input quits):
//   send <hex bytes>  sends that message
//   stall <ms>  the next message received holds JACK's thread that long
//   cable  from now on as at the end of a MIDI cable: a message is reported when its last
//       byte would have arrived at 320 us a byte, and an answer reaches Tessel its own cable
//       time after the request arrived
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

#include <rtmidi/RtMidi.h>

#include "library/format/RolandMessage.h"

namespace {

namespace format = tessel::format;
using Message = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;
constexpr long long kCableByteNs = 320'000;

// The report lines, written by a thread of their own: JACK's thread never waits for stdout.
// An empty line ends the writer.
std::mutex linesLock;
std::condition_variable linesReady;
std::deque<std::string> lines;

void Report(std::string line) {
    std::lock_guard lock(linesLock);
    lines.push_back(std::move(line));
    linesReady.notify_one();
}

void WriteReports() {
    for (std::string line = "-"; !line.empty();) {
        std::unique_lock lock(linesLock);
        linesReady.wait(lock, [] { return !lines.empty(); });
        line = std::move(lines.front());
        lines.pop_front();
        lock.unlock();
        std::cout << line << (line.empty() ? "" : "\n") << std::flush;
    }
}

struct Instrument {
    explicit Instrument(const std::string& name)
        : out(RtMidi::UNIX_JACK, name + "_out"),
          in(std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, name)) {
        in->ignoreTypes(false, true, true);
        in->setCallback(&Instrument::OnMessage, this);
        in->openVirtualPort("midi_in");
        out.openVirtualPort("midi_out");
        // Once through RtMidi's hand-over to JACK's thread before anyone listens (an Active
        // Sensing, which receivers ignore): a sanitizer build's first pass through it is slow.
        Send({0xFE});
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Report("ready " + name + ":midi_in " + name + "_out:midi_out");
    }

    // The input goes first, so that no answer is being sent while the output closes. RtMidi
    // frees its JACK output ring buffer before it stops the client: let the last messages
    // leave, close the port and let a running process cycle end before the object goes.
    ~Instrument() {
        in.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        out.closePort();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    void Send(const Message& message) {
        std::lock_guard lock(outputLock);
        out.sendMessage(&message);
    }

    static void OnMessage(double, Message* message, void* self) {
        if (message != nullptr && !message->empty()) {
            static_cast<Instrument*>(self)->Receive(*message);
        }
    }

    void Receive(const Message& m) {
        long long arrived = Clock::now().time_since_epoch().count();
        if (cable) {
            arrived = cableFreeAt = std::max(arrived, cableFreeAt) + kCableByteNs * std::ssize(m);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(stallMs.exchange(0)));
        if (m[0] != format::kExclusiveStart) {
            std::string hex;
            for (const auto byte : m) {
                char text[4];
                std::snprintf(text, sizeof text, " %02X", byte);
                hex += text;
            }
            return Report("short " + std::to_string(arrived) + hex);
        }
        Report("sysex " + std::to_string(arrived) + " " + std::to_string(m.size()));
        const bool data = m.size() == format::kDt1MessageSize && m[4] == format::kCommandDt1;
        if (!data && (m.size() != format::kRequestSize || m[4] != format::kCommandRq1)) {
            return;
        }
        const format::Address address{m[5], m[6], m[7]};
        if (data) {
            memory[address] = format::Bytes(m.begin() + 8, m.end() - 2);
            return;
        }
        if (cable) {
            std::this_thread::sleep_until(Clock::time_point(
                std::chrono::nanoseconds(arrived + kCableByteNs * long(format::kDt1MessageSize))));
        }
        const auto& kept = memory.try_emplace(address, 256, address[1] & 0x7F).first->second;
        const auto answer = format::BuildDt1(m[2], address, kept);
        Send(Message(answer.begin(), answer.end()));
    }

    std::atomic<bool> cable{false};
    std::atomic<int> stallMs{0};
    long long cableFreeAt = 0;                        // JACK's thread only
    std::map<format::Address, format::Bytes> memory;  // JACK's thread only
    std::mutex outputLock;  // the output is used by JACK's thread and the command loop
    RtMidiOut out;
    std::unique_ptr<RtMidiIn> in;
};

}  // namespace

int main(int argc, char** argv) {
    std::thread writer(WriteReports);
    {
        Instrument instrument(argc > 1 ? argv[1] : "tessel-test-instrument");
        for (std::string command, rest; std::cin >> command && std::getline(std::cin, rest);) {
            std::istringstream words(rest);
            Message message;
            for (unsigned byte = 0; command == "send" && words >> std::hex >> byte;) {
                message.push_back(static_cast<unsigned char>(byte));
            }
            if (!message.empty()) {
                instrument.Send(message);
            } else if (command == "stall") {
                instrument.stallMs = std::stoi(rest);
            } else if (command == "cable") {
                instrument.cable = true;
            }
        }
    }
    Report("");
    writer.join();
}
