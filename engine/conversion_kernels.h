#pragma once
// The three stages in which the builds of the conversion differ. The shared driver does
// everything else (files, blocks, history, replication, progress, completion).

#include <cstdint>

#include "engine/filter_design.h"
#include "engine/wav_header.h"

namespace zel {

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
