#pragma once
// The line zel-cli prints for one file with --results jsonl: one JSON object, e.g.
// {"input":"a.wav","output":"a_ZEL.wav","code":0,"message":"正常終了","framesIn":4410,
//  "framesOut":4800,"seconds":0.012,"clippedSamples":0,"nonFiniteSamples":0,
//  "metadataChunksLeftOut":0}
// Strings are escaped as JSON requires. A byte that is not part of valid UTF-8 (file names
// may hold any) is written as the lone low surrogate \udcXX (XX its value, 80 to ff), as
// Python's surrogateescape reads it: "caf\xe9.wav" gives "caf\udce9.wav", apart from the
// "café.wav" of valid UTF-8, and the exact bytes come back with
// os.fsencode(json.loads(line)["input"]).

#include <cstdint>
#include <string>
#include <string_view>

namespace zel::cli {

struct JsonResult {
    std::string_view input;
    std::string_view output;
    int code = 0;
    std::string_view message;
    std::int64_t framesIn = 0;
    std::int64_t framesOut = 0;
    double seconds = 0;
    // Counted by the high-quality mode only.
    std::int64_t clippedSamples = 0;
    // NaN or infinite float input samples, converted as silence.
    std::int64_t nonFiniteSamples = 0;
    // Metadata chunks the output goes without for a limit.
    std::int64_t metadataChunksLeftOut = 0;
    // The fields of cli/level_fields.h, last.
    std::string levelFields;
};

std::string JsonString(std::string_view text);

std::string JsonLine(const JsonResult& result);

}  // namespace zel::cli
