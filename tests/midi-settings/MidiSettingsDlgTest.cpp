// The MIDI settings dialog on its own: what it shows for a stored configuration and what OK
// stores. The ID field's text is read like the C library's decimal conversion.
#include <climits>
#include <ostream>

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "app/prompts/ScriptedPrompts.h"
#include "app/settings/SettingsStore.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/settings/MidiSettingsDlg.h"
#include "tests/midi-settings/FakeMidiService.h"

namespace tessel::midi::testing {
namespace {

class DroppedNotices final : public MidiNoticeTarget {
public:
    void PostShortMessage(std::uint32_t) override {}
    void PostOutputDone(MidiHeader*) override {}
    void PostInputLongData(MidiHeader*) override {}
};

// The dialog's surroundings: a port layer holding `configuration`, on a fake service and an
// empty settings file of its own.
struct DialogRig {
    DialogRig(std::vector<FakeDevice> inputs, std::vector<FakeDevice> outputs,
              const MidiConfiguration& configuration)
        : service(std::move(inputs), std::move(outputs)) {
        ports.SetConfiguration(configuration);
    }
    QString IniText() const {
        QFile file(folder.filePath("tessel.ini"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    MidiConfiguration Stored() const {
        using namespace device_keys;
        return {store.ReadString(kSection, kMidiIn, "missing"),
                store.ReadString(kSection, kMidiOut, "missing"),
                store.ReadInt(kSection, kMidiChannel, -999),
                store.ReadInt(kSection, kMidiId, -999)};
    }

    QTemporaryDir folder;
    SettingsStore store{folder.filePath("tessel.ini").toStdString()};
    ScriptedPrompts prompts;
    DroppedNotices notices;
    FakeMidiService service;
    MidiPortLayer ports{service, store, prompts, notices};
};

QStringList EntriesOf(const QComboBox& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        entries << list.itemText(i);
    }
    return entries;
}

void ExpectConfiguration(const MidiConfiguration& actual, const MidiConfiguration& expected,
                         const std::string& what) {
    EXPECT_EQ(actual.midiInName, expected.midiInName) << what;
    EXPECT_EQ(actual.midiOutName, expected.midiOutName) << what;
    EXPECT_EQ(actual.midiChannel, expected.midiChannel) << what;
    EXPECT_EQ(actual.deviceId, expected.deviceId) << what;
}

// ---- the ID field ----

struct IdCase {
    QString text;
    int value;
};

// Control characters escaped, so that the case's name stays on one line.
void PrintTo(const IdCase& c, std::ostream* out) {
    *out << '"';
    for (const QChar character : c.text) {
        if (character.unicode() < 0x20) {
            *out << "\\x" << std::hex << int(character.unicode()) << std::dec;
        } else {
            *out << QString(character).toStdString();
        }
    }
    *out << '"';
}

class DeviceIdText : public ::testing::TestWithParam<IdCase> {};

TEST_P(DeviceIdText, ReadsLikeTheCLibrary) {
    EXPECT_EQ(ParseDeviceId(GetParam().text), GetParam().value) << GetParam().text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    MidiSettings, DeviceIdText,
    ::testing::Values(IdCase{"17", 17}, IdCase{"  20abc", 20}, IdCase{"", 0}, IdCase{"-3", -3},
                      IdCase{"+7", 7}, IdCase{"abc", 0}, IdCase{"\t\r\n\v\f 42", 42},
                      IdCase{"12 34", 12}, IdCase{"007", 7}, IdCase{"+-5", 0}, IdCase{"- 5", 0},
                      IdCase{"-", 0}, IdCase{"0x10", 0},
                      // digits of other scripts are not decimal digits here
                      IdCase{QString::fromUtf8("\uFF11\uFF12"), 0},
                      // beyond int: the nearest end, never a wrapped value
                      IdCase{"2147483647", INT_MAX}, IdCase{"2147483648", INT_MAX},
                      IdCase{"99999999999999999999999", INT_MAX}, IdCase{"-2147483648", INT_MIN},
                      IdCase{"-2147483649", INT_MIN}, IdCase{"-99999999999999999999999", INT_MIN}));

// ---- what the dialog shows when it opens ----

struct OpenCase {
    const char* what;
    std::vector<FakeDevice> inputs;
    std::vector<FakeDevice> outputs;
    MidiConfiguration stored;
    QStringList inEntries;
    int inSelected;
    QStringList outEntries;
    int outSelected;
    int channelSelected;
    QString idText;
};

void PrintTo(const OpenCase& c, std::ostream* out) {
    *out << c.what;
}

class DialogOpens : public ::testing::TestWithParam<OpenCase> {};

TEST_P(DialogOpens, ListsDevicesAndSelectsTheStoredValues) {
    const OpenCase& c = GetParam();
    DialogRig rig(c.inputs, c.outputs, c.stored);
    CMidiSettingsDlg dialog(rig.ports, rig.store);

    EXPECT_EQ(EntriesOf(*dialog.MidiInList()), c.inEntries);
    EXPECT_EQ(dialog.MidiInList()->currentIndex(), c.inSelected);
    EXPECT_EQ(EntriesOf(*dialog.MidiOutList()), c.outEntries);
    EXPECT_EQ(dialog.MidiOutList()->currentIndex(), c.outSelected);
    EXPECT_EQ(dialog.ChannelList()->currentIndex(), c.channelSelected);
    EXPECT_EQ(dialog.IdField()->text(), c.idText);
}

const QStringList kNone{"<none>"};

// Each case looks at both device lists, which are filled and matched by the same rules.
// clang-format off
INSTANTIATE_TEST_SUITE_P(MidiSettings, DialogOpens, ::testing::Values(
    OpenCase{"no input devices, stored output present",
             {}, {{"Synth"}}, {"Anything", "Synth", 16, 17},
             kNone, 0, kNone + QStringList{"Synth"}, 1, 15, "17"},
    OpenCase{"stored devices not present",
             {{"A"}}, {{"A"}}, {"Gone", "Gone", 0, -5},
             kNone + QStringList{"A"}, 0, kNone + QStringList{"A"}, 0, -1, "-5"},
    OpenCase{"a longer name in another case, the name itself over a longer one",
             {{"Other"}, {"Roland UM-ONE MIDI 1"}}, {{"port 10"}, {"PORT 1"}},
             {"roland um", "Port 1", 17, 0},
             kNone + QStringList{"Other", "Roland UM-ONE MIDI 1"}, 2,
             kNone + QStringList{"port 10", "PORT 1"}, 2, -1, "0"},
    OpenCase{"devices whose query fails are left out",
             {{"A"}, {"B", true}, {"C"}}, {{"X", true}}, {"C", "X", 1, 17},
             kNone + QStringList{"A", "C"}, 2, kNone, 0, 0, "17"}));
// clang-format on

TEST(MidiSettingsDlg, ListsCannotBeTypedIntoAndTheFocusStartsOnMidiIn) {
    DialogRig rig({{"In"}}, {{"Out"}}, {});
    CMidiSettingsDlg dialog(rig.ports, rig.store);
    dialog.show();

    QStringList channels;
    for (int channel = 1; channel <= 16; ++channel) {
        channels << QString::number(channel);
    }
    EXPECT_EQ(EntriesOf(*dialog.ChannelList()), channels);
    for (const QComboBox* list :
         {dialog.MidiInList(), dialog.MidiOutList(), dialog.ChannelList()}) {
        EXPECT_FALSE(list->isEditable()) << list->objectName().toStdString();
    }
    EXPECT_EQ(dialog.focusWidget(), dialog.MidiInList());
    EXPECT_EQ(dialog.windowTitle(), "MIDI Settings");
}

// ---- OK and Cancel ----

using Edit = std::function<void(CMidiSettingsDlg&)>;

struct OkCase {
    const char* what;
    MidiConfiguration stored;
    Edit edit;
    MidiConfiguration expected;
};

void PrintTo(const OkCase& c, std::ostream* out) {
    *out << c.what;
}

class DialogOk : public ::testing::TestWithParam<OkCase> {};

TEST_P(DialogOk, StoresTheChosenValuesInThePortLayerAndTheSettings) {
    const OkCase& c = GetParam();
    DialogRig rig({{"In A"}, {"In B"}}, {{"Out A"}, {"Out B"}}, c.stored);
    CMidiSettingsDlg dialog(rig.ports, rig.store);
    c.edit(dialog);
    dialog.accept();

    EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.what;
    ExpectConfiguration(rig.ports.Configuration(), c.expected, c.what);
    ExpectConfiguration(rig.Stored(), c.expected, c.what);
    EXPECT_TRUE(rig.service.Events().empty()) << c.what << ": the dialog opens no port itself";
}

void Nothing(CMidiSettingsDlg&) {}

void ChooseEveryValue(CMidiSettingsDlg& d) {
    d.MidiInList()->setCurrentIndex(1);
    d.MidiOutList()->setCurrentIndex(2);
    d.ChannelList()->setCurrentIndex(15);
    d.IdField()->setText("  20abc");
}

void SelectNoDevice(CMidiSettingsDlg& d) {
    d.MidiInList()->setCurrentIndex(-1);
    d.MidiOutList()->setCurrentIndex(-1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(MidiSettings, DialogOk, ::testing::Values(
    OkCase{"stored devices not present", {"Gone", "Gone", 1, 17}, Nothing,
           {"<none>", "<none>", 1, 17}},
    OkCase{"stored names begin longer names", {"in b", "OUT"}, Nothing, {"In B", "Out A", 1, 17}},
    OkCase{"channel out of range", {"In A", "Out A", 99, 17}, Nothing, {"In A", "Out A", 0, 17}},
    OkCase{"every value chosen", {"In B", "Out A", 1, 17}, ChooseEveryValue,
           {"In A", "Out B", 16, 20}},
    OkCase{"no device entry selected keeps the names", {"In A", "Out B", 3, 17}, SelectNoDevice,
           {"In A", "Out B", 3, 17}}));
// clang-format on

TEST(MidiSettingsDlg, OkWritesAllFourKeysInOrderEvenWhenNothingChanged) {
    DialogRig rig({{"In A"}}, {{"Out A"}}, {"In A", "Out A", 1, 17});
    ASSERT_TRUE(rig.IniText().isEmpty());
    CMidiSettingsDlg dialog(rig.ports, rig.store);
    dialog.accept();

    const QString text = rig.IniText();
    const qsizetype in = text.indexOf("MidiIn=In A");
    const qsizetype out = text.indexOf("MidiOut=Out A");
    const qsizetype channel = text.indexOf("MidiChanel=1");
    const qsizetype id = text.indexOf("MidiID=17");
    EXPECT_TRUE(text.contains("[device]")) << text.toStdString();
    EXPECT_TRUE(in >= 0 && in < out && out < channel && channel < id) << text.toStdString();
}

}  // namespace
}  // namespace tessel::midi::testing
