#pragma once
// The three stages in which the builds of the conversion differ. The shared driver does
// everything else (files, blocks, history, replication, progress, completion).

#include <cstdint>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/standard/filter_design.h"
#include "engine/resample/standard/sample_layout.h"

namespace zel {

// Elements a kernel may read or write past the count it is given (the widest loop handles
// 16 per step).
inline constexpr std::int64_t kVectorSlack = 15;
// Frames of spare room behind every sample buffer: two rows plus 32.
inline constexpr std::int64_t kBufferReserve = 2 * kRowStride + 32;

// What the driver guarantees every kernel, so that vector loops need neither tail code nor
// unaligned raw access:
// - alignment: the raw buffers and every table row start on a kBufferAlignment (16-byte)
//   boundary (rows are kRowStride floats, a multiple of four); the float pointers a kernel
//   is given may sit at any float inside their buffer;
// - spare room: every sample buffer (raw and float, input and output) holds kBufferReserve
//   frames more than the largest count of its file, zero before first use, so a kernel
//   may read and write kVectorSlack elements past its count; what it writes there is
//   never kept;
// - zero padding: the entries of a row past its last coefficient (entry 51, and entry 50
//   of rows 1..Q-1) are 0, so a sum over all kRowStride entries equals one over the taps.
// PolyphaseResampler asserts them in debug builds (Prepare, FilterBlock).
struct ConversionKernels {
    const char* name;
    // Upper bound of the block size f (see BlockFrames).
    std::int64_t blockLimit;
    // Raw frames of the file's encoding -> floats in the file's own scale (8-bit minus 128,
    // 16-bit as stored). `right` is used by two-channel layouts only.
    void (*unpack)(SampleLayout layout, const std::uint8_t* raw, std::int64_t frames, float* left,
                   float* right);
    // `outputs` filtered values from the input samples, each already multiplied by Q.
    void (*filter)(SampleLayout layout, const FilterState& state, const float* left,
                   const float* right, std::int64_t outputs, float* outLeft, float* outRight);
    // Finished floats -> raw frames, rounded and saturated to the sample range.
    void (*pack)(SampleLayout layout, const float* left, const float* right, std::int64_t frames,
                 std::uint8_t* raw);
};

// The scalar kernels of the reference build.
extern const ConversionKernels kReferenceKernels;
// The kernels of the SIMD builds, each compiled for its own instruction set.
extern const ConversionKernels kSseKernels;
extern const ConversionKernels kSse2Kernels;
extern const ConversionKernels kSse3Kernels;
extern const ConversionKernels kSse41Kernels;

}  // namespace zel
