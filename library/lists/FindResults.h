#pragma once
// The find results as a list model: one row per hit, in the order found, shown as
// "FILE<tab>35- NAME". A search can find hundreds of thousands of names, so rows are kept
// compact (28 bytes) and a row's text is made only when the row is drawn.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractListModel>
#include <QString>

#include "library/format/RolandMessage.h"

namespace tessel::library {

// One hit: the searched file (its position in the files the results were reset with), the
// patch index and the name as stored (cut at the first zero byte).
struct FindHit {
    std::uint32_t file = 0;
    std::int32_t index = 0;
    std::array<char, format::kPatchNameSize> name{};
    std::uint8_t nameLength = 0;

    FindHit() = default;
    FindHit(std::uint32_t fileNumber, int patchIndex, std::string_view storedName);
    std::string_view Name() const { return {name.data(), nameLength}; }
};

class FindResultsModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Empties the list; the hits appended next refer to these files, named as the file
    // system holds them.
    void Reset(std::vector<std::string> fileNames);
    void Append(std::vector<FindHit> hits);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    QString EntryText(int row) const;
    const std::string& FileNameOf(int row) const;
    int PatchIndexOf(int row) const;

private:
    std::vector<std::string> fileNames_;
    std::vector<QString> shownNames_;
    std::deque<FindHit> hits_;  // grows without moving the rows it holds
};

}  // namespace tessel::library
