#include "engine/convert_file.h"

namespace zel {

ConvertFunction ConverterForLevel(SimdLevel level) {
    switch (level) {
        default: return ConvertFile;
    }
}

}  // namespace zel
