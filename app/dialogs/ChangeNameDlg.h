#pragma once
// The dialog that edits a 16-byte patch name in place. The name is shown without its
// trailing spaces (and cut at a zero byte); Auto-Caps writes it in word-capitalised form;
// OK stores exactly 16 bytes from 32 to 127, the text followed by spaces; Cancel stores
// nothing. Bytes map one to one onto Latin-1 characters, so a byte of 128 or more shows as
// one character and comes back as one byte.
#include <cstddef>
#include <cstdint>
#include <span>

#include <QString>

#include "app/dialogs/TemplateDialog.h"

class QLineEdit;

namespace tessel {

inline constexpr std::size_t kNameFieldSize = 16;
using NameField = std::span<std::uint8_t, kNameFieldSize>;

// The text the dialog shows for a stored name.
QString NameTextOf(std::span<const std::uint8_t, kNameFieldSize> field);
// The first letter and every letter after a non-letter in upper case, all other letters in
// lower case. Only A-Z and a-z are letters.
QString AutoCapsText(const QString& text);
// The first 16 characters, padded, each character outside 32..127 stored as a space.
void StoreNameText(const QString& text, NameField field);

class CChangeNameDlg : public TemplateDialog {
    Q_OBJECT
public:
    explicit CChangeNameDlg(NameField targetName, QWidget* parent = nullptr);
    CChangeNameDlg(std::span<char, kNameFieldSize> targetName, QWidget* parent = nullptr);

    // The OK action: stores the field's text into the caller's name, then closes.
    void accept() override;
    void AutoCaps();

    QLineEdit* NameEdit() const;

private:
    NameField targetName_;
    QString nameText_;
};

}  // namespace tessel
