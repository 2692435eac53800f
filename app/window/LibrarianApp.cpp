#include "app/window/LibrarianApp.h"

#include <filesystem>

#include <QDir>

#include "app/window/LibrarianDlg.h"
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

QString SettingsPathFor(const QString& executablePath) {
    return ExecutableFolder(executablePath) + QDir::separator() + QStringLiteral("tessel.ini");
}

std::unique_ptr<midi::MidiService> CreateProgramMidiService() {
    return midi::AssembleMidiService(midi::CreateRtMidiService()).service;
}

CLibrarianApp::CLibrarianApp(QString executablePath, UserPrompts& prompts, midi::MidiService& midi)
    : executablePath_(std::move(executablePath)), prompts_(prompts), midi_(midi) {}

CLibrarianApp::~CLibrarianApp() = default;

void CLibrarianApp::SetWindowCreatedHandler(std::function<void(CLibrarianDlg&)> handler) {
    windowCreated_ = std::move(handler);
}

bool CLibrarianApp::Startup() {
    settingsPath_ = SettingsPathFor(executablePath_);
    settings_ =
        std::make_unique<SettingsStore>(std::filesystem::path(settingsPath_.toStdU16String()));
    {
        CLibrarianDlg window({*settings_, prompts_, ExecutableFolder(executablePath_),
                              ExecutableFolder(executablePath_), midi_});
        if (windowCreated_) {
            windowCreated_(window);
        }
        window.exec();
    }
    return false;
}

}  // namespace tessel
