#include "resources/templates/AboutTemplate.h"

namespace tessel::templates {
namespace {

using namespace flags;
using namespace about;
using K = ControlKind;

constexpr ControlTemplate kControls[] = {
    {kNoId, K::Picture, nullptr, 4, 4, 215, 103, kSunken, "aboutPicture"},
    {kNoId, K::Label, "Tessel Version 1.5", 4, 112, 96, 8, kNone, "versionLabel"},
    {kOkButton, K::Button, "OK", 172, 112, 48, 16, kDefaultButton, "okButton"},
    {kNoId, K::Frame, nullptr, 4, 128, 216, 96, kNone, "aboutFrame"},
    {kNoId, K::Label,
     "A patch librarian for the Roland JD-800: keeps the instrument's 64 patches as "
     "System Exclusive dump files, sends and receives them, finds patches by name, "
     "auditions them and builds new banks from several files.",
     12, 140, 200, 76, kNone, "aboutText"},
};

constexpr DialogTemplate kTemplate{kTemplateId, "Tessel", 224, 229, kControls};

}  // namespace

const DialogTemplate& AboutTemplate() {
    return kTemplate;
}

}  // namespace tessel::templates
