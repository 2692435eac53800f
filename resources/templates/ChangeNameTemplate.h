#pragma once
// Template 131: the dialog that edits a 16-character patch name.
#include "resources/templates/DialogTemplate.h"

namespace tessel::templates {

namespace change_name {
constexpr int kTemplateId = 131;
constexpr int kAutoCapsButton = 1000;
constexpr int kNameField = 1030;
constexpr int kCancelButton = kIdCancel;
constexpr int kOkButton = kIdOk;
constexpr int kMaxNameLength = 16;
}  // namespace change_name

const DialogTemplate& ChangeNameTemplate();

}  // namespace tessel::templates
