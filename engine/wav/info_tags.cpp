#include "engine/wav/info_tags.h"

#include <array>
#include <string_view>

#include "engine/base/byte_order.h"
#include "engine/base/tag_text.h"
#include "engine/wav/riff_chunk_ids.h"

namespace zel {
namespace {

constexpr std::uint64_t kMaxInfoListBytes = std::uint64_t{1} << 20;
constexpr std::size_t kListForm = 4;
constexpr std::size_t kEntryHeader = 8;

struct InfoId {
    TagField field;
    std::uint32_t id;
};

// In the order an output's list takes them; the first id of a field is the one written.
constexpr std::array kInfoIds{
    InfoId{TagField::kTitle, FourCc("INAM")},       InfoId{TagField::kArtist, FourCc("IART")},
    InfoId{TagField::kAlbum, FourCc("IPRD")},       InfoId{TagField::kDate, FourCc("ICRD")},
    InfoId{TagField::kComment, FourCc("ICMT")},     InfoId{TagField::kTrackNumber, FourCc("ITRK")},
    InfoId{TagField::kTrackNumber, FourCc("IPRT")}, InfoId{TagField::kGenre, FourCc("IGNR")},
    InfoId{TagField::kCopyright, FourCc("ICOP")},   InfoId{TagField::kSoftware, FourCc("ISFT")},
};

const InfoId* FindInfoId(std::uint32_t id) {
    for (const InfoId& known : kInfoIds)
        if (known.id == id) return &known;
    return nullptr;
}

bool IsWrittenId(const InfoId& info) {
    for (const InfoId& known : kInfoIds)
        if (known.field == info.field) return known.id == info.id;
    return false;
}

void ReadList(const std::vector<std::uint8_t>& list, bool bigEndian, TextTags& tags) {
    if (list.size() < kListForm || LoadU32(list.data(), false) != chunk_id::kInfo) return;
    for (std::size_t pos = kListForm; list.size() - pos >= kEntryHeader;) {
        const std::uint8_t* const entry = list.data() + pos;
        const std::uint32_t size = LoadU32(entry + 4, bigEndian);
        const std::size_t text = pos + kEntryHeader;
        if (size > list.size() - text) return;
        const InfoId* const known = FindInfoId(LoadU32(entry, false));
        if (known != nullptr && tags[known->field].empty())
            tags[known->field] = TagTextToUtf8(
                std::string_view(reinterpret_cast<const char*>(list.data() + text), size));
        pos = text + size + (size & 1);
        if (pos > list.size()) return;
    }
}

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreLe32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

TextTags ReadInfoTags(RandomAccessBytes& source, const WavLayout& layout) {
    TextTags tags;
    const bool bigEndian = layout.container == WavContainer::kRifx;
    for (const WavChunkEntry& chunk : layout.chunks) {
        if (chunk.id != chunk_id::kList || chunk.size < kListForm || chunk.size > kMaxInfoListBytes)
            continue;
        std::vector<std::uint8_t> list(static_cast<std::size_t>(chunk.size));
        if (!source.ReadAt(chunk.offset, list.data(), list.size())) continue;
        ReadList(list, bigEndian, tags);
    }
    return tags;
}

std::optional<CarriedChunk> InfoListChunk(const TextTags& tags) {
    if (tags.Empty()) return std::nullopt;
    CarriedChunk chunk;
    chunk.id = chunk_id::kList;
    chunk.held = true;
    std::vector<std::uint8_t>& out = chunk.payload;
    AppendLe32(out, chunk_id::kInfo);
    for (const InfoId& info : kInfoIds) {
        const std::string& text = tags[info.field];
        if (text.empty() || !IsWrittenId(info)) continue;
        const auto size = static_cast<std::uint32_t>(text.size() + 1);
        AppendLe32(out, info.id);
        AppendLe32(out, size);
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
        if ((size & 1) != 0) out.push_back(0);
    }
    chunk.size = out.size();
    return chunk;
}

}  // namespace zel
