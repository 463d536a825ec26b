#include "engine/wav/wav_refusal.h"

namespace zel {

const char* CompressedFormatName(std::uint32_t formatTag) {
    struct Named {
        std::uint32_t tag;
        const char* name;
    };
    static constexpr Named kNames[] = {
        {0x0002, "MS ADPCM"}, {0x0011, "IMA ADPCM"},   {0x0022, "TrueSpeech"},
        {0x0031, "GSM 6.10"}, {0x0040, "G.721 ADPCM"}, {0x0050, "MPEG"},
        {0x0055, "MP3"},      {0x0064, "G.726 ADPCM"}, {0x0160, "WMA"},
        {0x0161, "WMA"},      {0x0162, "WMA Pro"},     {0x0163, "WMA Lossless"},
        {0x1610, "AAC"},      {0x2000, "AC-3"},        {0x2001, "DTS"},
        {0xF1AC, "FLAC"},
    };
    for (const Named& named : kNames)
        if (named.tag == formatTag) return named.name;
    return nullptr;
}

}  // namespace zel
