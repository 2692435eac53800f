#include "tools/tessel-first-run/FirstRun.h"

#include <fstream>
#include <system_error>

#include "core/settings/SettingsFolder.h"
#include "core/settings/SettingsStore.h"
#include "midi/virtual/DemoBank.h"

namespace tessel::first_run {
namespace {

// Same values the virtual instrument and the port layer use; this tool links neither.
constexpr char kVirtualDeviceName[] = "Tessel Virtual JD-800";
constexpr char kDeviceSection[] = "device";

bool WriteWholeFile(const std::filesystem::path& path, const format::Bytes& bytes) {
    // Written beside the target and renamed over it, so no half file is ever left there.
    auto temporary = path;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

bool WriteDemoLibrary(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const auto file = folder / kDemoFileName;
    if (std::filesystem::exists(file, error)) {
        return true;
    }
    return WriteWholeFile(file, midi::DemoBankDump());
}

bool WriteSettings(const std::filesystem::path& file, const std::filesystem::path& library) {
    SettingsStore store(file);
    return store.WriteString(kDeviceSection, "MidiIn", kVirtualDeviceName) &&
           store.WriteString(kDeviceSection, "MidiOut", kVirtualDeviceName) &&
           store.WriteInt(kDeviceSection, "MidiChanel", 1) &&
           store.WriteInt(kDeviceSection, "MidiID", 17) &&
           store.WriteString(kDeviceSection, "PathDef", library.string());
}

}  // namespace

Result SetUp(const std::filesystem::path& binFolder,
             const std::filesystem::path& userConfigFolder) {
    std::error_code error;
    const auto bin = std::filesystem::absolute(binFolder, error);
    if (error || !std::filesystem::is_directory(bin, error)) {
        return {Outcome::Failed, "not a folder: " + binFolder.string()};
    }
    const auto folder = ChooseSettingsFolder(bin, userConfigFolder);
    const auto settings = folder / kSettingsFileName;
    if (std::filesystem::exists(settings, error) || error) {
        return {Outcome::AlreadyConfigured, settings.string()};
    }
    const auto library = folder / kDemoFolderName;
    if (!WriteDemoLibrary(library)) {
        return {Outcome::Failed, "cannot write the demo library in " + library.string()};
    }
    if (!WriteSettings(settings, library)) {
        return {Outcome::Failed, "cannot write " + settings.string()};
    }
    return {Outcome::Written, settings.string()};
}

}  // namespace tessel::first_run
