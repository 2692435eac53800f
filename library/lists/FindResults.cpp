#include "library/lists/FindResults.h"

#include <algorithm>
#include <iterator>

#include "library/lists/LibraryText.h"

namespace tessel::library {

FindHit::FindHit(std::uint32_t fileNumber, int patchIndex, std::string_view storedName)
    : file(fileNumber),
      index(patchIndex),
      nameLength(static_cast<std::uint8_t>(std::min(storedName.size(), name.size()))) {
    std::copy_n(storedName.begin(), nameLength, name.begin());
}

void FindResultsModel::Reset(std::vector<std::string> fileNames) {
    beginResetModel();
    hits_.clear();
    hits_.shrink_to_fit();
    fileNames_ = std::move(fileNames);
    shownNames_.clear();
    shownNames_.reserve(fileNames_.size());
    for (const std::string& name : fileNames_) {
        shownNames_.push_back(DisplayName(name));
    }
    endResetModel();
}

void FindResultsModel::Append(std::vector<FindHit> hits) {
    if (hits.empty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(hits.size()) - 1);
    hits_.insert(hits_.end(), hits.begin(), hits.end());
    endInsertRows();
}

int FindResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(hits_.size());
}

QVariant FindResultsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return EntryText(index.row());
}

QString FindResultsModel::EntryText(int row) const {
    const FindHit& hit = hits_.at(static_cast<std::size_t>(row));
    return FindResultEntry(shownNames_[hit.file], {hit.index, std::string(hit.Name())});
}

const std::string& FindResultsModel::FileNameOf(int row) const {
    return fileNames_[hits_.at(static_cast<std::size_t>(row)).file];
}

int FindResultsModel::PatchIndexOf(int row) const {
    return hits_.at(static_cast<std::size_t>(row)).index;
}

}  // namespace tessel::library
