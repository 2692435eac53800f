// tessel-test-instrument: a stand-in JD-800 on JACK for the end-to-end tests and benchmarks.
//
//   tessel-test-instrument NAME [--silent]
//
// Opens the JACK input "NAME:midi_in" and the output "NAME_out:midi_out" with RtMidi.
// Each RQ1 for 256 bytes is answered with the 266-byte DT1 of that address, unless the
// instrument is silent: the data of the last 266-byte DT1 received for that address, else
// data made up from the address. Every message received is reported on stdout, one line
// each, stamped with the monotonic clock in nanoseconds:
//   ready NAME:midi_in NAME_out:midi_out
//   short <ns> <hex bytes>
//   sysex <ns> <length>
// Commands on stdin, one a line: "silent", "answer", "send <hex bytes>" (any message),
// "sysex <length>" (F0, filler bytes, F7), "burst <message>, <message>, ..." (each as for
// send or sysex, all sent at once, so that they leave in one JACK period), "stall <ms>" (the
// next message received holds JACK's thread that long), "cable" (from now on as at the end
// of a MIDI 1.0 cable: a message is reported when its last byte would have arrived at
// 320 us a byte, after the one before it, and an answer reaches Tessel its own cable time
// after the request arrived), "quit" (end of input quits too).
// The reports are written by a thread of their own: JACK's thread never waits for stdout.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "library/format/RolandMessage.h"

namespace {

using tessel::format::Bytes;

constexpr long long kCableByteNs = 320'000;

std::mutex outputLock;  // the RtMidi output is used by two threads

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Lines for stdout, written by a thread of their own (WriteReports); an empty line ends it.
std::mutex linesLock;
std::condition_variable linesReady;
std::deque<std::string> lines;

void Report(const std::string& line) {
    {
        std::lock_guard lock(linesLock);
        lines.push_back(line);
    }
    linesReady.notify_one();
}

void WriteReports() {
    for (std::string line = "-"; !line.empty();) {
        std::unique_lock lock(linesLock);
        linesReady.wait(lock, [] { return !lines.empty(); });
        line = std::move(lines.front());
        lines.pop_front();
        lock.unlock();
        if (!line.empty()) {
            std::fputs((line + "\n").c_str(), stdout);
            std::fflush(stdout);
        }
    }
}

std::string Hex(const std::vector<unsigned char>& bytes) {
    std::string text;
    char byte[4];
    for (const auto value : bytes) {
        std::snprintf(byte, sizeof byte, "%s%02X", text.empty() ? "" : " ", value);
        text += byte;
    }
    return text;
}

// An RQ1 of the JD-800 asking for 256 bytes: F0 41 dd 3D 11 a2 a1 a0 00 02 00 cs F7.
bool IsPatchRequest(const std::vector<unsigned char>& m) {
    using namespace tessel::format;
    return m.size() == kRequestSize && m[0] == kExclusiveStart && m[1] == kRolandId &&
           m[3] == kJd800ModelId && m[4] == kCommandRq1 && m[8] == 0x00 && m[9] == 0x02 &&
           m[10] == 0x00 && m[12] == kExclusiveEnd;
}

// A DT1 of the JD-800 carrying 256 bytes: F0 41 dd 3D 12 a2 a1 a0 <256 bytes> cs F7.
bool IsPatchData(const std::vector<unsigned char>& m) {
    using namespace tessel::format;
    return m.size() == kDt1MessageSize && m[1] == kRolandId && m[3] == kJd800ModelId &&
           m[4] == kCommandDt1;
}

tessel::format::Address AddressOf(const std::vector<unsigned char>& m) {
    return {m[5], m[6], m[7]};
}

Bytes MadeUpData(const tessel::format::Address& address) {
    Bytes data(256);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>((address[0] * 7 + address[1] * 3 + i) & 0x7F);
    }
    return data;
}

class Instrument {
public:
    Instrument(const std::string& name, bool silent)
        : silent_(silent),
          out_(std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, name + "_out")),
          in_(std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, name)) {
        in_->ignoreTypes(false, true, true);
        in_->setCallback(&Instrument::OnMessage, this);
        in_->openVirtualPort("midi_in");
        out_->openVirtualPort("midi_out");
        // Once through RtMidi's hand-over to JACK's thread before anyone listens (an Active
        // Sensing, which receivers ignore): a sanitizer build's first pass through it is slow.
        const std::vector<unsigned char> activeSensing{0xFE};
        out_->sendMessage(&activeSensing);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Report("ready " + name + ":midi_in " + name + "_out:midi_out");
    }

    // The input goes first, so that no answer is being sent while the output closes. RtMidi
    // frees its JACK output ring buffer before it stops the client: let the last messages
    // leave, close the port and let a running process cycle end before the object goes.
    ~Instrument() {
        in_.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        out_->closePort();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    void Send(const std::vector<std::vector<unsigned char>>& messages) {
        std::lock_guard lock(outputLock);
        for (const auto& message : messages) {
            out_->sendMessage(&message);
        }
    }

    void UseCable() { cable_ = true; }
    void Stall(int ms) { stallMs_ = ms; }

    void SetSilent(bool silent) {
        std::lock_guard lock(outputLock);
        silent_ = silent;
    }

private:
    static void OnMessage(double, std::vector<unsigned char>* message, void* self) {
        if (message != nullptr && !message->empty()) {
            static_cast<Instrument*>(self)->Receive(*message);
        }
    }

    // When the message's last byte arrived, or would have on a cable.
    long long ArrivalNs(std::size_t length) {
        const long long now = NowNs();
        if (!cable_) {
            return now;
        }
        cableFreeAt_ = std::max(now, cableFreeAt_) + static_cast<long long>(length) * kCableByteNs;
        return cableFreeAt_;
    }

    void Receive(const std::vector<unsigned char>& message) {
        const long long arrived = ArrivalNs(message.size());
        const auto at = std::to_string(arrived);
        std::this_thread::sleep_for(std::chrono::milliseconds(stallMs_.exchange(0)));
        if (message[0] != tessel::format::kExclusiveStart) {
            Report("short " + at + " " + Hex(message));
            return;
        }
        Report("sysex " + at + " " + std::to_string(message.size()));
        if (IsPatchRequest(message)) {
            if (cable_) {
                const long long reachesTessel =
                    arrived + kCableByteNs * long(tessel::format::kDt1MessageSize);
                std::this_thread::sleep_until(
                    std::chrono::steady_clock::time_point(std::chrono::nanoseconds(reachesTessel)));
            }
            Answer(message);
        } else if (IsPatchData(message)) {
            memory_[AddressOf(message)] = Bytes(message.begin() + 8, message.end() - 2);
        }
    }

    void Answer(const std::vector<unsigned char>& request) {
        const auto address = AddressOf(request);
        const auto stored = memory_.find(address);
        const Bytes answer = tessel::format::BuildDt1(
            request[2], address, stored != memory_.end() ? stored->second : MadeUpData(address));
        std::lock_guard lock(outputLock);
        if (!silent_) {
            out_->sendMessage(answer.data(), answer.size());
        }
    }

    bool silent_;
    std::atomic<bool> cable_{false};
    long long cableFreeAt_ = 0;                        // used on RtMidi's input thread only
    std::map<tessel::format::Address, Bytes> memory_;  // used on RtMidi's input thread only
    std::atomic<int> stallMs_{0};
    std::unique_ptr<RtMidiOut> out_;
    std::unique_ptr<RtMidiIn> in_;
};

std::vector<unsigned char> Filler(std::size_t length) {
    std::vector<unsigned char> message(length < 2 ? 2 : length, 0x11);
    message.front() = tessel::format::kExclusiveStart;
    message.back() = tessel::format::kExclusiveEnd;
    return message;
}

// "90 3C 64" or "sysex 266".
std::vector<unsigned char> ParseMessage(const std::string& text) {
    std::istringstream words(text);
    std::vector<unsigned char> bytes;
    std::string word;
    while (words >> word) {
        if (word == "sysex") {
            std::size_t length = 0;
            words >> length;
            return Filler(length);
        }
        bytes.push_back(static_cast<unsigned char>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

std::vector<std::vector<unsigned char>> ParseBurst(const std::string& text) {
    std::vector<std::vector<unsigned char>> messages;
    std::istringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ',')) {
        messages.push_back(ParseMessage(part));
    }
    return messages;
}

void RunCommands(Instrument& instrument) {
    std::string line;
    while (std::getline(std::cin, line)) {
        const auto cut = line.find(' ');
        const std::string command = line.substr(0, cut);
        const std::string rest = cut == std::string::npos ? "" : line.substr(cut + 1);
        if (command == "quit") {
            return;
        } else if (command == "silent" || command == "answer") {
            instrument.SetSilent(command == "silent");
        } else if (command == "cable") {
            instrument.UseCable();
        } else if (command == "send" || command == "burst") {
            instrument.Send(ParseBurst(rest));
        } else if (command == "sysex") {
            instrument.Send({Filler(std::stoul(rest))});
        } else if (command == "stall") {
            instrument.Stall(std::stoi(rest));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: tessel-test-instrument NAME [--silent]\n";
        return 2;
    }
    const bool silent = argc > 2 && std::string(argv[2]) == "--silent";
    std::thread writer(WriteReports);
    int code = 0;
    try {
        Instrument instrument(argv[1], silent);
        RunCommands(instrument);
    } catch (const RtMidiError& error) {
        std::cerr << error.getMessage() << "\n";
        code = 1;
    }
    Report("");
    writer.join();
    return code;
}
