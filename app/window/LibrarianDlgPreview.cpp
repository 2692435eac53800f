// The Preview group of the main window: type list, Auto Preview, the three track bars with
// their labels, and the Record button's enabling.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "resources/templates/MainWindowTemplate.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

constexpr int kCustomMotifCount = kPreviewTypeCount - kFirstCustomPreviewType;

}  // namespace

struct CLibrarianDlg::SliderBinding {
    int sliderId;
    int labelId;
    const char* labelFormat;
    int minimum;
    int maximum;
    std::atomic<int> PreviewValues::*value;
};

const CLibrarianDlg::SliderBinding& CLibrarianDlg::BindingOf(Slider slider) {
    static const SliderBinding bindings[] = {
        {ids::kRangeSlider, ids::kRangeLabel, "R&ange (%d)", 1, 6, &PreviewValues::previewRange},
        {ids::kVelocitySlider, ids::kVelocityLabel, "V&elocity (%d)", 40, 127,
         &PreviewValues::previewVelocity},
        {ids::kTempoSlider, ids::kTempoLabel, "Temp&o (%d)", 40, 200, &PreviewValues::previewTempo},
    };
    return bindings[static_cast<int>(slider)];
}

void CLibrarianDlg::ConnectPreviewControls() {
    for (Slider slider : kAllSliders) {
        connect(Control<TrackBar>(BindingOf(slider).sliderId), &TrackBar::userMoved, this,
                [this, slider](int position) { OnTrackBarMoved(slider, position); });
    }
    connect(Control<QComboBox>(ids::kPreviewTypeCombo), &QComboBox::activated, this,
            &CLibrarianDlg::OnPreviewTypeChosen);
    connect(Control<QCheckBox>(ids::kAutoPreviewCheck), &QCheckBox::clicked, this,
            &CLibrarianDlg::OnAutoPreviewClicked);
    ConnectButton(ids::kPreviewButton, &CLibrarianDlg::StartPreview);
    ConnectButton(ids::kRecordButton, &CLibrarianDlg::OnRecordButton);
}

// Values are used as read, even outside the track bars' ranges; only the list entry is
// limited to an existing one, while the stored type is kept for writing back.
void CLibrarianDlg::ReadPreviewValues() {
    const PreviewSettings stored = ReadPreviewSettings(services_.settings);
    preview_.previewRange = stored.range;
    preview_.previewVelocity = stored.velocity;
    preview_.previewTempo = stored.tempo;
    preview_.previewType = PreviewTypeEntry(stored.type);
    preview_.autoPreview = stored.autoPreview != 0 ? 1 : 0;
    storedPreviewType_ = stored.type;
    storedAutoPreview_ = stored.autoPreview;
}

void CLibrarianDlg::AddCustomPreviewEntries() {
    auto* combo = Control<QComboBox>(ids::kPreviewTypeCombo);
    const QSignalBlocker quiet(combo);
    for (int i = 1; i <= kCustomMotifCount; ++i) {
        combo->addItem(QString::asprintf("Custom %d", i));
    }
}

void CLibrarianDlg::ShowPreviewSelection() {
    auto* combo = Control<QComboBox>(ids::kPreviewTypeCombo);
    const QSignalBlocker quietCombo(combo);
    combo->setCurrentIndex(preview_.previewType);
    auto* check = Control<QCheckBox>(ids::kAutoPreviewCheck);
    const QSignalBlocker quietCheck(check);
    check->setChecked(preview_.autoPreview != 0);
}

// A stored value outside a range leaves the bar at its limit; the value itself stays.
void CLibrarianDlg::SetUpTrackBars() {
    for (Slider slider : kAllSliders) {
        const SliderBinding& binding = BindingOf(slider);
        auto* bar = Control<TrackBar>(binding.sliderId);
        const QSignalBlocker quiet(bar);
        bar->setRange(binding.minimum, binding.maximum);
        bar->setValue((preview_.*binding.value).load());
    }
}

void CLibrarianDlg::ShowTrackBarLabels() {
    for (Slider slider : kAllSliders) {
        ShowTrackBarLabel(slider);
    }
}

void CLibrarianDlg::ShowTrackBarLabel(Slider slider) {
    const SliderBinding& binding = BindingOf(slider);
    Control<QLabel>(binding.labelId)
        ->setText(QString::asprintf(binding.labelFormat, (preview_.*binding.value).load()));
}

void CLibrarianDlg::OnTrackBarMoved(Slider slider, int position) {
    preview_.*BindingOf(slider).value = position;
    ShowTrackBarLabel(slider);
}

void CLibrarianDlg::UpdatePreviewControls() {
    if (recorder_.Recording()) {
        StopRecording();
    }
    const int type = preview_.previewType;
    // Recording and a transfer's Receive both need the MIDI input.
    UpdateTransferControls();  // the Record button
    const bool builtIn = type == 0 || type == 1;
    for (Slider slider : kAllSliders) {
        Control<QWidget>(BindingOf(slider).sliderId)->setEnabled(builtIn);
        Control<QWidget>(BindingOf(slider).labelId)->setEnabled(builtIn);
    }
}

void CLibrarianDlg::OnPreviewTypeChosen(int entry) {
    if (entry < 0 || entry >= kPreviewTypeCount) {
        return;
    }
    preview_.previewType = entry;
    storedPreviewType_ = entry;
    UpdatePreviewControls();
    if (preview_.autoPreview != 0) {
        StartPreview();
    }
}

void CLibrarianDlg::OnAutoPreviewClicked(bool checked) {
    preview_.autoPreview = checked ? 1 : 0;
    storedAutoPreview_ = preview_.autoPreview;
    if (checked) {
        StartPreview();
    }
}

void CLibrarianDlg::OnRecordButton() {
    if (recorder_.Recording()) {
        StopRecording();
    } else {
        StartRecording();
    }
}

PreviewSettings CLibrarianDlg::ValuesToWrite() const {
    return {preview_.previewRange, preview_.previewVelocity, preview_.previewTempo,
            storedPreviewType_, storedAutoPreview_};
}

}  // namespace tessel
