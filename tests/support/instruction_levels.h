#pragma once
// Which x86 instruction set an instruction needs, from its mnemonic and operands as
// objdump prints them in Intel syntax. Used to prove that a build's compiled kernels use
// nothing above its level.

#include <string>
#include <vector>

namespace zel::test {

// In the order of the processors' feature chain.
enum class InstructionLevel {
    kBase,    // general-purpose, x87 and MMX
    kSse,
    kSse2,
    kSse3,
    kSsse3,
    kSse41,
    kSse42,
    kAvx2Fma,  // AVX, AVX2 and FMA: VEX encodings, ymm registers, fused multiply-adds
    kAvx512,   // AVX-512 F, VL, BW and DQ: zmm, opmask and the upper sixteen registers
    kBeyond,   // F16C, AES, BMI, other AVX-512 parts and other extensions no build may use
    kUnknown  // touches a vector register but is in none of the lists
};

const char* LevelName(InstructionLevel level);

struct Instruction {
    std::string function;
    std::string mnemonic;
    std::string operands;
    std::string text;  // the whole line, for messages
};

// The instructions of `objdump -d -M intel --no-show-raw-insn` output, prefixes removed.
std::vector<Instruction> ParseDisassembly(const std::string& objdumpOutput);

InstructionLevel LevelOf(const Instruction& instruction);

bool IsX87(const Instruction& instruction);
bool UsesMmxRegister(const Instruction& instruction);

}  // namespace zel::test
