#include "app/dialogs/ChangeNameDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "resources/templates/ChangeNameTemplate.h"

namespace tessel {
namespace {

namespace ids = templates::change_name;

bool IsAsciiLetter(char16_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char16_t LowerAscii(char16_t c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

char16_t UpperAscii(char16_t c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

std::uint8_t StoredByte(char16_t c) {
    return c < 32 || c >= 128 ? std::uint8_t{' '} : static_cast<std::uint8_t>(c);
}

}  // namespace

// Trailing spaces go first (from the 16th byte back to the first non-space), then the text
// ends at the first zero byte.
QString NameTextOf(std::span<const std::uint8_t, kNameFieldSize> field) {
    std::size_t length = field.size();
    while (length > 0 && field[length - 1] == ' ') {
        --length;
    }
    std::size_t end = 0;
    while (end < length && field[end] != 0) {
        ++end;
    }
    return QString::fromLatin1(reinterpret_cast<const char*>(field.data()),
                               static_cast<qsizetype>(end));
}

QString AutoCapsText(const QString& text) {
    QString result = text;
    bool capitaliseNext = true;
    for (auto& character : result) {
        char16_t c = LowerAscii(character.unicode());
        if (capitaliseNext) {
            c = UpperAscii(c);
            capitaliseNext = false;
        }
        if (!IsAsciiLetter(c)) {
            capitaliseNext = true;
        }
        character = QChar(c);
    }
    return result;
}

void StoreNameText(const QString& text, NameField field) {
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto index = static_cast<qsizetype>(i);
        field[i] = index < text.size() ? StoredByte(text[index].unicode()) : std::uint8_t{' '};
    }
}

CChangeNameDlg::CChangeNameDlg(NameField targetName, QWidget* parent)
    : TemplateDialog(templates::ChangeNameTemplate(), parent),
      targetName_(targetName),
      nameText_(NameTextOf(targetName)) {
    NameEdit()->setMaxLength(static_cast<int>(kNameFieldSize));
    NameEdit()->setText(nameText_);
    NameEdit()->selectAll();
    NameEdit()->setFocus();
    connect(Control<QPushButton>(ids::kAutoCapsButton), &QPushButton::clicked, this,
            &CChangeNameDlg::AutoCaps);
}

CChangeNameDlg::CChangeNameDlg(std::span<char, kNameFieldSize> targetName, QWidget* parent)
    : CChangeNameDlg(NameField(reinterpret_cast<std::uint8_t*>(targetName.data()), kNameFieldSize),
                     parent) {}

QLineEdit* CChangeNameDlg::NameEdit() const {
    return Control<QLineEdit>(ids::kNameField);
}

void CChangeNameDlg::AutoCaps() {
    nameText_ = AutoCapsText(NameEdit()->text());
    NameEdit()->setText(nameText_);
}

void CChangeNameDlg::accept() {
    nameText_ = NameEdit()->text();
    StoreNameText(nameText_, targetName_);
    TemplateDialog::accept();
}

}  // namespace tessel
