#pragma once
// A main window whose MIDI ports are the virtual instrument (without cable time, so that its
// log shows when each message was sent), on a temporary settings folder that may hold a
// "custom.dat"; what the instrument heard, as "90 3C 64" texts.
#include <fstream>
#include <map>

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "app/window/LibrarianDlg.h"
#include "core/prompts/ScriptedPrompts.h"
#include "core/settings/SettingsStore.h"
#include "midi/virtual/VirtualMidiService.h"

namespace tessel::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Events = std::vector<std::pair<std::uint32_t, int>>;  // message, time

// custom.dat holding `motifs` (motif index to its events), the others empty: per motif its
// 1000 messages, then its 1000 times (-1 past the last event), 4 bytes each, low byte first.
inline std::string CustomDat(const std::map<int, Events>& motifs) {
    std::string bytes;
    for (int m = 0; m < 8; ++m) {
        const Events events = motifs.count(m) != 0 ? motifs.at(m) : Events{};
        for (std::size_t k = 0; k < 2000; ++k) {
            const std::size_t event = k % 1000;
            const std::uint32_t value = event >= events.size() ? (k < 1000 ? 0 : ~0u)
                                        : k < 1000             ? events[event].first
                                                   : std::uint32_t(events[event].second);
            for (int shift = 0; shift < 32; shift += 8) {
                bytes.push_back(char(value >> shift));
            }
        }
    }
    return bytes;
}

// The 4-byte value at `at`, least significant byte first.
inline std::int32_t ValueAt(const std::string& bytes, std::size_t at) {
    return qFromLittleEndian<qint32>(bytes.data() + at);
}

// What the instrument heard: each message's bytes and the time it arrived.
using Heard = midi::ReceivedMessage;

inline std::string Text(const std::vector<std::uint8_t>& bytes) {
    const QByteArray array(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    return array.toHex(' ').toUpper().toStdString();
}

inline double MsBetween(const Heard& from, const Heard& to) {
    return std::chrono::duration<double, std::milli>(to.time - from.time).count();
}

// The texts of heard[from, to), joined by '|'.
inline std::string Joined(const std::vector<Heard>& heard, std::size_t from = 0,
                          std::size_t to = SIZE_MAX) {
    std::string joined;
    for (std::size_t i = from; i < std::min(to, heard.size()); ++i) {
        joined += (joined.empty() ? "" : "|") + Text(heard[i].bytes);
    }
    return joined;
}

struct PreviewWindow {
    // `config`: the lines of section [config].
    void Start(const std::string& config = "", int channel = 1) {
        std::ofstream(Path("tessel.ini"))
            << "[config]\n"
            << config << "\n[device]\nMidiIn=" << midi::kVirtualDeviceName
            << "\nMidiOut=" << midi::kVirtualDeviceName << "\nMidiChanel=" << channel;
        store = std::make_unique<SettingsStore>(Path("tessel.ini"));
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{*store, prompts, folder.path(), folder.path(), midi});
        window->show();
        midi.Instrument().WaitIdle(5s);
        midi.Instrument().ClearLog();  // the reset after the output opened
    }

    template <class Widget = QWidget>
    Widget* Find(const char* name) const {
        return window->findChild<Widget*>(name);
    }
    void Click(const char* name) { Find<QAbstractButton>(name)->click(); }
    void Play(std::uint32_t message) { midi.Instrument().PlayShortMessage(message); }

    std::vector<Heard> Log() { return midi.Instrument().ReceivedLog(); }
    // Handles the window's events until `text` has been heard.
    std::vector<Heard> WaitFor(const std::string& text) {
        static_cast<void>(
            QTest::qWaitFor([&] { return Joined(Log()).find(text) != std::string::npos; }, 10000));
        return Log();
    }
    // Closes the window: what was heard before the output's reset (All Notes Off on every
    // channel) as the port closed.
    std::vector<Heard> CloseWindow() {
        window->close();
        auto heard = Log();
        heard.resize(heard.size() - std::min<std::size_t>(16, heard.size()));
        return heard;
    }

    void WriteCustomDat(const std::string& bytes) {
        std::ofstream(Path("custom.dat"), std::ios::binary) << bytes;
    }
    std::string ReadCustomDat() const {
        std::ifstream file(Path("custom.dat"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    std::string Path(const char* name) const { return folder.filePath(name).toStdString(); }

    QTemporaryDir folder;
    ScriptedPrompts prompts;
    midi::VirtualMidiService midi{false};
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CLibrarianDlg> window;
};

}  // namespace tessel::test
