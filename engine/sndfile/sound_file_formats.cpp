#include "engine/sndfile/sound_file_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace zel {
namespace {

struct ContainerNames {
    OutputContainer container;
    std::string_view extension;
};

// The extension each container's outputs take.
constexpr std::array kContainerExtensions{
    ContainerNames{OutputContainer::kWav, ".wav"},   ContainerNames{OutputContainer::kFlac, ".flac"},
    ContainerNames{OutputContainer::kAiff, ".aiff"}, ContainerNames{OutputContainer::kW64, ".w64"},
    ContainerNames{OutputContainer::kCaf, ".caf"},   ContainerNames{OutputContainer::kOgg, ".ogg"},
    ContainerNames{OutputContainer::kOpus, ".opus"}, ContainerNames{OutputContainer::kMp3, ".mp3"},
};

// Further names of the same containers.
constexpr std::array kContainerAliases{
    ContainerNames{OutputContainer::kAiff, ".aif"},
    ContainerNames{OutputContainer::kAiff, ".aifc"},
    ContainerNames{OutputContainer::kOgg, ".oga"},
};

constexpr std::string_view kWavExtensions[] = {".wav", ".wave", ".rf64", ".bwf"};

#ifdef ZEL_HAVE_SNDFILE
constexpr std::string_view kReadable[] = {
    ".wav", ".wave", ".rf64", ".bwf",                        // ZEL's own reader
    ".flac", ".aif", ".aiff", ".aifc", ".w64", ".caf",       // lossless containers
    ".ogg", ".oga", ".opus", ".mp3",                         // lossy
    ".au", ".snd", ".voc", ".sd2", ".paf", ".iff", ".svx",   // older formats libsndfile reads
    ".sf", ".ircam", ".mat", ".mat4", ".mat5", ".pvf", ".xi", ".htk", ".sds", ".avr", ".wve",
    ".mpc"};
#else
constexpr std::string_view kReadable[] = {".wav", ".wave", ".rf64", ".bwf"};
#endif

std::string LowerExtension(std::string_view fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    std::string extension(fileName.substr(dot));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

std::span<const std::string_view> ReadableExtensions() { return kReadable; }

std::span<const std::string_view> WavExtensions() { return kWavExtensions; }

bool HasReadableExtension(std::string_view fileName) {
    const std::string extension = LowerExtension(fileName);
    return !extension.empty() &&
           std::find(std::begin(kReadable), std::end(kReadable), extension) != std::end(kReadable);
}

std::string_view ContainerExtension(OutputContainer container) {
    for (const ContainerNames& names : kContainerExtensions)
        if (names.container == container) return names.extension;
    return {};
}

std::optional<OutputContainer> ContainerOfExtension(std::string_view fileName) {
    const std::string extension = LowerExtension(fileName);
    if (std::find(std::begin(kWavExtensions), std::end(kWavExtensions), extension) !=
        std::end(kWavExtensions))
        return OutputContainer::kWav;
    for (const auto& table : {std::span<const ContainerNames>(kContainerExtensions),
                              std::span<const ContainerNames>(kContainerAliases)})
        for (const ContainerNames& names : table)
            if (names.extension == extension) return names.container;
    return std::nullopt;
}

bool CanWriteContainer(OutputContainer container) {
#ifdef ZEL_HAVE_SNDFILE
    static_cast<void>(container);
    return true;
#else
    return container == OutputContainer::kSame || container == OutputContainer::kWav;
#endif
}

bool IsLossyContainer(OutputContainer container) {
    return container == OutputContainer::kOgg || container == OutputContainer::kOpus ||
           container == OutputContainer::kMp3;
}

}  // namespace zel
