#include "resources/templates/ChangeNameTemplate.h"

namespace tessel::templates {
namespace {

using namespace flags;
using namespace change_name;
using K = ControlKind;

constexpr ControlTemplate kControls[] = {
    {kNoId, K::Frame, "&Enter new name", 8, 4, 152, 32, kNone, "nameFrame"},
    {kNameField,
     K::Edit,
     nullptr,
     16,
     16,
     136,
     14,
     kHScroll | kBorder,
     "nameField",
     {},
     kMaxNameLength},
    {kAutoCapsButton, K::Button, "&Auto-Caps", 8, 40, 46, 14, kNone, "autoCapsButton"},
    {kCancelButton, K::Button, "Cancel", 60, 40, 46, 14, kNone, "cancelButton"},
    {kOkButton, K::Button, "OK", 112, 40, 46, 14, kDefaultButton, "okButton"},
};

constexpr DialogTemplate kTemplate{kTemplateId, "Change Name", 168, 61, kControls};

}  // namespace

const DialogTemplate& ChangeNameTemplate() {
    return kTemplate;
}

}  // namespace tessel::templates
