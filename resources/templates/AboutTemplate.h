#pragma once
// Template 100: the About box.
#include "resources/templates/DialogTemplate.h"

namespace tessel::templates {

namespace about {
constexpr int kTemplateId = 100;
constexpr int kOkButton = kIdOk;
}  // namespace about

const DialogTemplate& AboutTemplate();

}  // namespace tessel::templates
