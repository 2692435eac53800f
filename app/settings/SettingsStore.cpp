#include "app/settings/SettingsStore.h"
