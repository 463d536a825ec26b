#include "engine/conversion_kernels.h"
#include "engine/convert_file.h"

namespace zel {

ConvertFunction ConverterForLevel(SimdLevel level) {
    switch (level) {
        case 1: return ConvertFileSSE;
        case 2: return ConvertFileSSE2;
        case 3: return ConvertFileSSE3;
        case 4: return ConvertFileSSE41;
        default: return ConvertFile;
    }
}

const ConversionKernels& KernelsForLevel(std::int32_t level) {
    switch (level) {
        case 1: return kSseKernels;
        case 2: return kSse2Kernels;
        case 3: return kSse3Kernels;
        case 4: return kSse41Kernels;
        default: return kReferenceKernels;
    }
}

}  // namespace zel
