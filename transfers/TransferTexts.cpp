#include "transfers/TransferTexts.h"

#include "library/lists/LibraryText.h"

namespace tessel::transfers {

QString CannotCreateText(const std::filesystem::path& file, const std::string& reason) {
    return QStringLiteral("Unable to create the file %1:\n%2")
        .arg(library::DisplayPath(file), QString::fromStdString(reason));
}

QString CannotWriteText(const std::filesystem::path& file, const std::string& reason) {
    return QStringLiteral("Unable to write the file %1:\n%2")
        .arg(library::DisplayPath(file), QString::fromStdString(reason));
}

QString WrongSizeText(const format::Address& address, int answers) {
    return QString::asprintf(
        "The instrument's answers for address %02X %02X %02X had the wrong size %d times in a "
        "row. The receive has stopped.",
        address[0], address[1], address[2], answers);
}

}  // namespace tessel::transfers
