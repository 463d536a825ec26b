#include "app/input_row_text.h"

#include "engine/wav/wav_probe.h"

namespace {

constexpr std::uint64_t kSecondsPerMinute = 60;
constexpr std::uint64_t kSecondsPerHour = 3600;
// Below this many seconds a clip's length shows tenths, so short clips differ at a glance.
constexpr std::uint64_t kTenthsBelowSeconds = 10;
constexpr std::uint64_t kTenthsPerSecond = 10;

char16_t AsciiUpper(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

}  // namespace

QString DurationText(std::uint64_t seconds) {
    const auto hours = static_cast<unsigned long long>(seconds / kSecondsPerHour);
    const auto minutes =
        static_cast<unsigned long long>(seconds % kSecondsPerHour / kSecondsPerMinute);
    const auto rest = static_cast<unsigned long long>(seconds % kSecondsPerMinute);
    return QString::asprintf("%2llu:%02llu:%02llu", hours, minutes, rest);
}

QString DurationText(std::uint64_t frames, std::uint32_t sampleRate) {
    if (sampleRate == 0) return DurationText(std::uint64_t{0});
    const std::uint64_t seconds = frames / sampleRate;
    if (seconds >= kTenthsBelowSeconds) return DurationText(seconds);
    // The remainder is below the rate, so times ten stays far inside 64 bits.
    const std::uint64_t tenths = frames % sampleRate * kTenthsPerSecond / sampleRate;
    return DurationText(seconds) + QString::asprintf(".%llu", static_cast<unsigned long long>(tenths));
}

QString ChannelsText(std::uint16_t channels) { return QString::asprintf("%d", channels); }

QString FrequencyText(std::uint32_t sampleRate) {
    return QString::asprintf("%5uHz", static_cast<unsigned>(sampleRate));
}

QString BitsText(std::uint16_t bitsPerSample) {
    return QString::asprintf("%2dbits", bitsPerSample);
}

QString BitsText(std::uint16_t bitsPerSample, zel::SampleEncoding encoding) {
    QString text = BitsText(bitsPerSample);
    if (zel::IsFloatEncoding(encoding)) text += QStringLiteral(" float");
    if (encoding == zel::SampleEncoding::kMuLaw) text += QStringLiteral(" \u00B5-law");
    if (encoding == zel::SampleEncoding::kALaw) text += QStringLiteral(" A-law");
    return text;
}

RowTexts FormatColumnTexts(const zel::InputProbe& probe) {
    const zel::WavSampleFormat& format = probe.format;
    RowTexts row;
    row.cells[kDurationColumn] = DurationText(probe.frames, format.sampleRate);
    row.cells[kChannelsColumn] = ChannelsText(format.channels);
    row.cells[kFrequencyColumn] = FrequencyText(format.sampleRate);
    row.cells[kBitsColumn] = probe.codec.empty() ? BitsText(format.validBits, format.encoding)
                                                 : QString::fromStdString(probe.codec);
    row.cells[kFormatColumn] = QString::fromStdString(probe.shortName);
    row.formatTip = QString::fromStdString(probe.formatName);
    return row;
}

int CompareCellTexts(const QString& a, const QString& b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = AsciiUpper(a[i].unicode());
        const char16_t y = AsciiUpper(b[i].unicode());
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}
