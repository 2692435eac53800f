// What a settings read or write costs on a typical tessel.ini: each operation reads the
// whole file, and each write replaces it through a synced temporary file. The folder is
// TESSEL_BENCH_FOLDER when set (e.g. a tmpfs), else the system's temporary folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "core/settings/SettingsStore.h"

namespace {

namespace fs = std::filesystem;

fs::path BenchFile() {
    const char* folder = std::getenv("TESSEL_BENCH_FOLDER");
    const fs::path base = folder != nullptr ? fs::path(folder) : fs::temp_directory_path();
    return base / ("tessel-bench-" + std::to_string(::getpid()) + ".ini");
}

// The two sections with every key the program uses, as a first run leaves them.
fs::path TypicalFile() {
    const fs::path file = BenchFile();
    std::ofstream(file, std::ios::binary)
        << "[config]\r\nDerPath=C:\\Synth\\JD800\\Factory A.syx\r\npar_Range=4\r\n"
           "par_Velo=100\r\npar_Tempo=140\r\npar_Motif=0\r\npar_TestSel=1\r\n\r\n"
           "[device]\r\nPathDef=C:\\Synth\\JD800\r\nMidiIn=<none>\r\nMidiOut=UM-ONE\r\n"
           "MidiChanel=1\r\nMidiID=17\r\n";
    return file;
}

void ReadString(benchmark::State& state) {
    const fs::path file = TypicalFile();
    tessel::SettingsStore store(file);
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.ReadString("device", "MidiID", ""));
    }
    fs::remove(file);
}
BENCHMARK(ReadString);

void WriteInt(benchmark::State& state) {
    const fs::path file = TypicalFile();
    tessel::SettingsStore store(file);
    int value = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.WriteInt("config", "par_Tempo", ++value));
    }
    fs::remove(file);
}
BENCHMARK(WriteInt)->Unit(benchmark::kMicrosecond);

// The window's close sequence: the five preview values.
void CloseSequenceWrites(benchmark::State& state) {
    const fs::path file = TypicalFile();
    tessel::SettingsStore store(file);
    for (auto _ : state) {
        for (const char* key : {"par_Range", "par_Velo", "par_Tempo", "par_Motif", "par_TestSel"}) {
            store.WriteInt("config", key, 1);
        }
    }
    fs::remove(file);
}
BENCHMARK(CloseSequenceWrites)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
