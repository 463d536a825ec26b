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

bool IsAsciiDigit(const QString& text, qsizetype at) {
    return at < text.size() && text[at] >= u'0' && text[at] <= u'9';
}

// The end of the run of digits that starts at `at`.
qsizetype DigitRunEnd(const QString& text, qsizetype at) {
    while (IsAsciiDigit(text, at)) ++at;
    return at;
}

// Two runs of digits by their value, however long: after the leading zeros, the longer run
// is the larger number, and runs of one length compare digit by digit.
int CompareDigitRuns(QStringView a, QStringView b) {
    while (a.size() > 1 && a.front() == u'0') a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0') b = b.mid(1);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
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
    return QString::asprintf("%u Hz", static_cast<unsigned>(sampleRate));
}

QString BitsText(std::uint16_t bitsPerSample) {
    return QString::asprintf("%d bit", bitsPerSample);
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
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsAsciiDigit(a, i) && IsAsciiDigit(b, j)) {
            const qsizetype endA = DigitRunEnd(a, i);
            const qsizetype endB = DigitRunEnd(b, j);
            if (const int order = CompareDigitRuns(QStringView(a).sliced(i, endA - i),
                                                   QStringView(b).sliced(j, endB - j)))
                return order;
            i = endA;
            j = endB;
            continue;
        }
        const char16_t x = AsciiUpper(a[i].unicode());
        const char16_t y = AsciiUpper(b[j].unicode());
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    const qsizetype restA = a.size() - i;
    const qsizetype restB = b.size() - j;
    if (restA != restB) return restA < restB ? -1 : 1;
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}
