#pragma once
// The MIDI settings dialog: input and output device, MIDI channel and System Exclusive ID.
// It lists the devices of the port layer's service, opens on the port layer's configuration
// and, on OK, stores the four values in the port layer and in section `device` of the
// settings; the caller then reopens the output. Cancel changes nothing.
#include <QString>
#include <QStringList>

#include "app/dialogs/TemplateDialog.h"

class QComboBox;
class QLineEdit;

namespace tessel {
class SettingsStore;
}

namespace tessel::midi {

class MidiService;
class MidiPortLayer;
struct MidiConfiguration;

// "<none>", then the product name of every input (or output) device whose capability query
// succeeds, in device order.
QStringList InputDeviceEntries(MidiService& service);
QStringList OutputDeviceEntries(MidiService& service);

// The entry to select for a stored device name: the first entry that begins with `name`,
// letters compared without regard to case, unless an entry further down is the name itself
// (exactly, else apart from case): a stored "Port 1" then stays "Port 1" even when "Port 10"
// is listed first. Entry 0 ("<none>") when no entry begins with the name.
int EntryForDeviceName(const QStringList& entries, const QString& name);

// Decimal text as the C library reads it: leading white space, one optional sign, then the
// digits up to the first other character; 0 without digits. Values beyond the range of int
// give its nearest end.
int ParseDeviceId(const QString& text);

class CMidiSettingsDlg : public TemplateDialog {
    Q_OBJECT
public:
    CMidiSettingsDlg(MidiPortLayer& ports, SettingsStore& settings, QWidget* parent = nullptr);

    // The OK action: the chosen values into the port layer and the settings, then closes.
    void accept() override;

    QComboBox* MidiInList() const;
    QComboBox* MidiOutList() const;
    QComboBox* ChannelList() const;
    QLineEdit* IdField() const;

private:
    void ShowConfiguration(const MidiConfiguration& configuration);
    MidiConfiguration ChosenConfiguration() const;

    MidiPortLayer& ports_;
    SettingsStore& settings_;
};

}  // namespace tessel::midi
