#pragma once
// Messages of the transfers, shown as they are.
#include <filesystem>
#include <string>

#include <QString>

#include "library/format/RolandMessage.h"

namespace tessel::transfers {

// The receive's file could not be created, written or put in place.
QString CannotCreateText(const std::filesystem::path& file, const std::string& reason);
QString CannotWriteText(const std::filesystem::path& file, const std::string& reason);
// Every answer to the requests for `address` had the wrong size.
QString WrongSizeText(const format::Address& address, int answers);

}  // namespace tessel::transfers
