#include "app/dialogs/MidiSettingsDlg.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QScrollBar>

#include "core/settings/SettingsStore.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/service/MidiService.h"
#include "resources/templates/MidiSettingsTemplate.h"

namespace tessel::midi {
namespace {

namespace ids = templates::midi_settings;

constexpr int kChannelCount = 16;

using CountQuery = unsigned (MidiService::*)();
using CapsQuery = MidiResult (MidiService::*)(unsigned, std::string&);

QStringList DeviceEntries(MidiService& service, CountQuery count, CapsQuery caps) {
    QStringList entries{QString::fromLatin1(kNoDeviceName)};
    const unsigned devices = (service.*count)();
    for (unsigned device = 0; device < devices; ++device) {
        std::string productName;
        if ((service.*caps)(device, productName) == MidiError::kNoError) {
            entries << QString::fromStdString(productName);
        }
    }
    return entries;
}

using EntryTest = std::function<bool(const QString&)>;

EntryTest WholeName(const QString& name, Qt::CaseSensitivity sensitivity) {
    return
        [name, sensitivity](const QString& entry) { return entry.compare(name, sensitivity) == 0; };
}

EntryTest NameStart(const QString& name) {
    return [name](const QString& entry) { return entry.startsWith(name, Qt::CaseInsensitive); };
}

std::optional<int> FirstEntry(const QStringList& entries, const EntryTest& matches) {
    for (qsizetype entry = 0; entry < entries.size(); ++entry) {
        if (matches(entries[entry])) {
            return static_cast<int>(entry);
        }
    }
    return std::nullopt;
}

// The drop-down opens wide enough for the longest device name, even beyond the closed box.
void FitPopupToEntries(QComboBox& list, const QStringList& entries) {
    constexpr int kItemMargins = 16;  // the entry's text margins and focus frame
    auto* view = list.view();
    const QFontMetrics metrics(view->font());
    int widest = 0;
    for (const QString& entry : entries) {
        widest = std::max(widest, metrics.horizontalAdvance(entry));
    }
    const int scrollBar = view->verticalScrollBar()->sizeHint().width();
    view->setMinimumWidth(widest + kItemMargins + 2 * view->frameWidth() + scrollBar);
}

void ShowDevices(QComboBox& list, const QStringList& entries, const std::string& chosen) {
    list.addItems(entries);
    list.setCurrentIndex(EntryForDeviceName(entries, QString::fromStdString(chosen)));
    FitPopupToEntries(list, entries);
}

// A list with no entry selected leaves its name as it was.
void TakeDeviceName(const QComboBox& list, std::string& name) {
    if (list.currentIndex() >= 0) {
        name = list.currentText().toStdString();
    }
}

bool IsCSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

void WriteDeviceSettings(SettingsStore& settings, const MidiConfiguration& configuration) {
    using namespace device_keys;
    settings.WriteString(kSection, kMidiIn, configuration.midiInName);
    settings.WriteString(kSection, kMidiOut, configuration.midiOutName);
    settings.WriteInt(kSection, kMidiChannel, configuration.midiChannel);
    settings.WriteInt(kSection, kMidiId, configuration.deviceId);
}

}  // namespace

QStringList InputDeviceEntries(MidiService& service) {
    return DeviceEntries(service, &MidiService::InGetNumDevs, &MidiService::InGetDevCaps);
}

QStringList OutputDeviceEntries(MidiService& service) {
    return DeviceEntries(service, &MidiService::OutGetNumDevs, &MidiService::OutGetDevCaps);
}

int EntryForDeviceName(const QStringList& entries, const QString& name) {
    for (const auto& matches : {WholeName(name, Qt::CaseSensitive),
                                WholeName(name, Qt::CaseInsensitive), NameStart(name)}) {
        if (const auto entry = FirstEntry(entries, matches)) {
            return *entry;
        }
    }
    return 0;
}

int ParseDeviceId(const QString& text) {
    qsizetype at = 0;
    while (at < text.size() && IsCSpace(text[at])) {
        ++at;
    }
    const bool negative = at < text.size() && text[at] == u'-';
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) {
        ++at;
    }
    // The magnitude stops growing once past int's range, so it cannot overflow.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; at < text.size() && IsAsciiDigit(text[at]); ++at) {
        magnitude = std::min(kLimit, magnitude * 10 + (text[at].unicode() - u'0'));
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

CMidiSettingsDlg::CMidiSettingsDlg(MidiPortLayer& ports, SettingsStore& settings, QWidget* parent)
    : TemplateDialog(templates::MidiSettingsTemplate(), parent),
      ports_(ports),
      settings_(settings) {
    ShowConfiguration(ports_.Configuration());
    MidiInList()->setFocus(Qt::OtherFocusReason);
}

void CMidiSettingsDlg::ShowConfiguration(const MidiConfiguration& configuration) {
    ShowDevices(*MidiInList(), InputDeviceEntries(ports_.Service()), configuration.midiInName);
    ShowDevices(*MidiOutList(), OutputDeviceEntries(ports_.Service()), configuration.midiOutName);
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        ChannelList()->addItem(QString::number(channel));
    }
    const bool channelListed =
        configuration.midiChannel >= 1 && configuration.midiChannel <= kChannelCount;
    ChannelList()->setCurrentIndex(channelListed ? configuration.midiChannel - 1 : -1);
    IdField()->setText(QString::number(configuration.deviceId));
}

MidiConfiguration CMidiSettingsDlg::ChosenConfiguration() const {
    MidiConfiguration chosen = ports_.Configuration();
    TakeDeviceName(*MidiOutList(), chosen.midiOutName);
    TakeDeviceName(*MidiInList(), chosen.midiInName);
    chosen.midiChannel = ChannelList()->currentIndex() + 1;
    chosen.deviceId = ParseDeviceId(IdField()->text());
    return chosen;
}

void CMidiSettingsDlg::accept() {
    const MidiConfiguration chosen = ChosenConfiguration();
    ports_.SetConfiguration(chosen);
    WriteDeviceSettings(settings_, chosen);
    TemplateDialog::accept();
}

QComboBox* CMidiSettingsDlg::MidiInList() const {
    return Control<QComboBox>(ids::kMidiInList);
}

QComboBox* CMidiSettingsDlg::MidiOutList() const {
    return Control<QComboBox>(ids::kMidiOutList);
}

QComboBox* CMidiSettingsDlg::ChannelList() const {
    return Control<QComboBox>(ids::kChannelList);
}

QLineEdit* CMidiSettingsDlg::IdField() const {
    return Control<QLineEdit>(ids::kIdField);
}

}  // namespace tessel::midi
