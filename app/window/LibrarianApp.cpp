#include "app/window/LibrarianApp.h"

#include <filesystem>

#include <QDir>

#include "app/window/LibrarianDlg.h"
#include "core/settings/SettingsFolder.h"
#include "core/settings/SettingsStore.h"
#include "midi/rtmidi/RtMidiBackend.h"
#include "midi/service/CompositeMidiService.h"
#include "midi/virtual/VirtualMidiService.h"

namespace tessel {

QString ExecutableFolder(const QString& executablePath) {
    const qsizetype cut =
        std::max(executablePath.lastIndexOf(u'/'), executablePath.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : executablePath.left(cut);
}

QString SettingsPathIn(const QString& folder) {
    return folder + QDir::separator() + QLatin1StringView(kSettingsFileName);
}

std::unique_ptr<midi::MidiService> CreateProgramMidiService() {
    return midi::AssembleMidiService(midi::CreateRtMidiService()).service;
}

CLibrarianApp::CLibrarianApp(QString executablePath, UserPrompts& prompts, midi::MidiService& midi,
                             std::filesystem::path userConfigFolder)
    : executablePath_(std::move(executablePath)),
      prompts_(prompts),
      midi_(midi),
      userConfigFolder_(std::move(userConfigFolder)) {}

CLibrarianApp::~CLibrarianApp() = default;

void CLibrarianApp::SetWindowCreatedHandler(std::function<void(CLibrarianDlg&)> handler) {
    windowCreated_ = std::move(handler);
}

bool CLibrarianApp::Startup() {
    const QString executableFolder = ExecutableFolder(executablePath_);
    const auto settingsFolder = ChooseSettingsFolder(
        std::filesystem::path(executableFolder.toStdU16String()), userConfigFolder_);
    settingsFolder_ = QString::fromStdU16String(settingsFolder.u16string());
    settingsPath_ = SettingsPathIn(settingsFolder_);
    settings_ =
        std::make_unique<SettingsStore>(std::filesystem::path(settingsPath_.toStdU16String()));
    {
        CLibrarianDlg window({*settings_, prompts_, executableFolder, settingsFolder_, midi_});
        if (windowCreated_) {
            windowCreated_(window);
        }
        window.exec();
    }
    return false;
}

}  // namespace tessel
