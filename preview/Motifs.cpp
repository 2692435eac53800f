#include "preview/Motifs.h"

#include <algorithm>
#include <fstream>
#include <type_traits>

#include "core/files/ReplaceFile.h"

namespace tessel::preview {
namespace {

constexpr std::size_t kValueSize = 4;

// Every value of the file in file order: motif by motif, its messages, then its times.
template <typename Motifs, typename Visit>
void ForEachValue(Motifs& motifs, Visit visit) {
    for (auto& motif : motifs) {
        for (auto& message : motif.messages) {
            visit(message);
        }
        for (auto& time : motif.times) {
            visit(time);
        }
    }
}

std::uint32_t ReadLittleEndian(std::string_view bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = kValueSize; i-- > 0;) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[i]);
    }
    return value;
}

void AppendLittleEndian(std::string& bytes, std::uint32_t value) {
    for (std::size_t i = 0; i < kValueSize; ++i) {
        bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    }
}

}  // namespace

MotifBank::MotifBank() : motifs_(std::make_unique<std::array<Motif, kMotifCount>>()) {
    Clear();
}

Motif* MotifBank::Find(int index) {
    return index >= 0 && index < kMotifCount ? &(*motifs_)[std::size_t(index)] : nullptr;
}

const Motif* MotifBank::Find(int index) const {
    return index >= 0 && index < kMotifCount ? &(*motifs_)[std::size_t(index)] : nullptr;
}

// Times all -1, not only the first: a motif that a short file fills part of its times
// then ends where the file ended.
void MotifBank::Clear() {
    for (Motif& motif : *motifs_) {
        for (auto& message : motif.messages) {
            message.store(0, std::memory_order_relaxed);
        }
        for (auto& time : motif.times) {
            time.store(kMotifEnd, std::memory_order_release);
        }
    }
}

void MotifBank::FromBytes(std::string_view bytes) {
    Clear();
    bytes = bytes.substr(0, std::min(bytes.size(), kCustomDatSize));
    ForEachValue(*motifs_, [&bytes](auto& value) {
        if (bytes.size() < kValueSize) {
            return;
        }
        using Value = typename std::remove_reference_t<decltype(value)>::value_type;
        value.store(static_cast<Value>(ReadLittleEndian(bytes)), std::memory_order_release);
        bytes.remove_prefix(kValueSize);
    });
}

std::string MotifBank::ToBytes() const {
    std::string bytes;
    bytes.reserve(kCustomDatSize);
    ForEachValue(*motifs_, [&bytes](const auto& value) {
        AppendLittleEndian(bytes,
                           static_cast<std::uint32_t>(value.load(std::memory_order_acquire)));
    });
    return bytes;
}

void LoadMotifs(MotifBank& motifs, const std::filesystem::path& file) {
    std::string bytes(kCustomDatSize, '\0');
    std::ifstream stream(file, std::ios::binary);
    stream.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(stream.gcount()));
    motifs.FromBytes(bytes);
}

bool SaveMotifs(const MotifBank& motifs, const std::filesystem::path& file) {
    return ReplaceFileContent(file, motifs.ToBytes());
}

}  // namespace tessel::preview
