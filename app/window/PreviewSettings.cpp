#include "app/window/PreviewSettings.h"

#include "app/window/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

namespace tessel {

PreviewSettings ReadPreviewSettings(const SettingsStore& settings) {
    const PreviewSettings defaults;
    PreviewSettings values;
    values.range = settings.ReadInt(keys::kConfig, keys::kPreviewRange, defaults.range);
    values.velocity = settings.ReadInt(keys::kConfig, keys::kPreviewVelocity, defaults.velocity);
    values.tempo = settings.ReadInt(keys::kConfig, keys::kPreviewTempo, defaults.tempo);
    values.type = settings.ReadInt(keys::kConfig, keys::kPreviewType, defaults.type);
    values.autoPreview = settings.ReadInt(keys::kConfig, keys::kAutoPreview, defaults.autoPreview);
    return values;
}

void WritePreviewSettings(SettingsStore& settings, const PreviewSettings& values) {
    settings.WriteInt(keys::kConfig, keys::kPreviewRange, values.range);
    settings.WriteInt(keys::kConfig, keys::kPreviewVelocity, values.velocity);
    settings.WriteInt(keys::kConfig, keys::kPreviewTempo, values.tempo);
    settings.WriteInt(keys::kConfig, keys::kPreviewType, values.type);
    settings.WriteInt(keys::kConfig, keys::kAutoPreview, values.autoPreview);
}

int PreviewTypeEntry(int storedType) {
    return storedType >= 0 && storedType < kPreviewTypeCount ? storedType : 0;
}

}  // namespace tessel
