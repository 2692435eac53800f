#pragma once
// The five preview values as the settings file holds them. Stored values are kept as read,
// even outside their ranges, so that a window closed without touching a control writes back
// exactly what it found.
#include "preview/PreviewValues.h"

namespace tessel {

class SettingsStore;

struct PreviewSettings {
    int range = 4;
    int velocity = 100;
    int tempo = 140;
    int type = 0;  // index in the Preview type list
    int autoPreview = 1;

    bool operator==(const PreviewSettings&) const = default;
};

// Read in the order par_Range, par_Velo, par_Tempo, par_Motif, par_TestSel.
PreviewSettings ReadPreviewSettings(const SettingsStore& settings);
// Written in the same order.
void WritePreviewSettings(SettingsStore& settings, const PreviewSettings& values);

// "One note", "Arpege" and the eight custom motifs.
constexpr int kPreviewTypeCount = 10;
constexpr int kFirstCustomPreviewType = 2;

// The list entry a stored type selects: itself when it names an entry, else "One note".
int PreviewTypeEntry(int storedType);

}  // namespace tessel
