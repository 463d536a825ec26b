#include "tests/support/instruction_levels.h"

#include <regex>
#include <set>
#include <sstream>

namespace zel::test {
namespace {

using Names = std::set<std::string>;

// Integer MMX instructions: MMX on mm registers, SSE2 on xmm registers.
const Names kMmx = {
    "emms",      "movd",      "movq",      "packssdw",  "packsswb",  "packuswb", "paddb",
    "paddw",     "paddd",     "paddsb",    "paddsw",    "paddusb",   "paddusw",  "pand",
    "pandn",     "pcmpeqb",   "pcmpeqw",   "pcmpeqd",   "pcmpgtb",   "pcmpgtw",  "pcmpgtd",
    "pmaddwd",   "pmulhw",    "pmullw",    "por",       "psllw",     "pslld",    "psllq",
    "psraw",     "psrad",     "psrlw",     "psrld",     "psrlq",     "psubb",    "psubw",
    "psubd",     "psubsb",    "psubsw",    "psubusb",   "psubusw",   "punpckhbw", "punpckhwd",
    "punpckhdq", "punpcklbw", "punpcklwd", "punpckldq", "pxor"};

// Integer instructions that SSE added for mm registers; on xmm registers they are SSE2.
const Names kSseOnMmx = {"pavgb",    "pavgw",   "pextrw",  "pinsrw", "pmaxsw",
                         "pmaxub",   "pminsw",  "pminub",  "pmovmskb", "pmulhuw",
                         "psadbw",   "pshufw",  "maskmovq", "movntq"};

const Names kSse = {"addps",    "addss",    "andnps",   "andps",       "comiss",
                    "cvtpi2ps", "cvtps2pi", "cvtsi2ss", "cvtss2si",    "cvttps2pi",
                    "cvttss2si", "divps",   "divss",    "ldmxcsr",     "maxps",
                    "maxss",    "minps",    "minss",    "movaps",      "movhlps",
                    "movhps",   "movlhps",  "movlps",   "movmskps",    "movntps",
                    "movss",    "movups",   "mulps",    "mulss",       "orps",
                    "rcpps",    "rcpss",    "rsqrtps",  "rsqrtss",     "shufps",
                    "sqrtps",   "sqrtss",   "stmxcsr",  "subps",       "subss",
                    "ucomiss",  "unpckhps", "unpcklps", "xorps",       "prefetchnta",
                    "prefetcht0", "prefetcht1", "prefetcht2", "sfence"};

const Names kSse2 = {
    "addpd",     "addsd",     "andnpd",    "andpd",      "clflush",    "comisd",
    "cvtdq2pd",  "cvtdq2ps",  "cvtpd2dq",  "cvtpd2pi",   "cvtpd2ps",   "cvtpi2pd",
    "cvtps2dq",  "cvtps2pd",  "cvtsd2si",  "cvtsd2ss",   "cvtsi2sd",   "cvtss2sd",
    "cvttpd2dq", "cvttpd2pi", "cvttps2dq", "cvttsd2si",  "divpd",      "divsd",
    "lfence",    "maskmovdqu", "maxpd",    "maxsd",      "mfence",     "minpd",
    "minsd",     "movapd",    "movdq2q",   "movdqa",     "movdqu",     "movhpd",
    "movlpd",    "movmskpd",  "movntdq",   "movnti",     "movntpd",    "movq2dq",
    "movupd",    "mulpd",     "mulsd",     "orpd",       "paddq",      "pmuludq",
    "pshufd",    "pshufhw",   "pshuflw",   "pslldq",     "psrldq",     "psubq",
    "punpckhqdq", "punpcklqdq", "shufpd",  "sqrtpd",     "sqrtsd",     "subpd",
    "subsd",     "ucomisd",   "unpckhpd",  "unpcklpd",   "xorpd"};

const Names kSse3 = {"addsubpd", "addsubps", "fisttp",   "haddpd",   "haddps",  "hsubpd",
                     "hsubps",   "lddqu",    "monitor",  "movddup",  "movshdup", "movsldup",
                     "mwait"};

const Names kSsse3 = {"pabsb",   "pabsd",   "pabsw",    "palignr",   "phaddd",   "phaddsw",
                      "phaddw",  "phsubd",  "phsubsw",  "phsubw",    "pmaddubsw", "pmulhrsw",
                      "pshufb",  "psignb",  "psignd",   "psignw"};

const Names kSse41 = {
    "blendpd",  "blendps",  "blendvpd", "blendvps", "dppd",     "dpps",     "extractps",
    "insertps", "movntdqa", "mpsadbw",  "packusdw", "pblendvb", "pblendw",  "pcmpeqq",
    "pextrb",   "pextrd",   "pextrq",   "phminposuw", "pinsrb", "pinsrd",   "pinsrq",
    "pmaxsb",   "pmaxsd",   "pmaxud",   "pmaxuw",   "pminsb",   "pminsd",   "pminud",
    "pminuw",   "pmovsxbd", "pmovsxbq", "pmovsxbw", "pmovsxdq", "pmovsxwd", "pmovsxwq",
    "pmovzxbd", "pmovzxbq", "pmovzxbw", "pmovzxdq", "pmovzxwd", "pmovzxwq", "pmuldq",
    "pmulld",   "ptest",    "roundpd",  "roundps",  "roundsd",  "roundss"};

const Names kSse42 = {"crc32",    "pcmpestri", "pcmpestrm", "pcmpgtq",
                      "pcmpistri", "pcmpistrm", "popcnt"};

// General-purpose or SIMD extensions outside the chain up to SSE4.2.
const Names kBeyond = {
    "aesdec",  "aesdeclast", "aesenc",  "aesenclast", "aesimc",     "aeskeygenassist",
    "pclmulqdq", "sha1msg1", "sha1msg2", "sha1nexte", "sha1rnds4",  "sha256msg1",
    "sha256msg2", "sha256rnds2", "extrq", "insertq",  "movntsd",    "movntss",
    "lzcnt",   "tzcnt",      "andn",    "bextr",      "blsi",       "blsmsk",
    "blsr",    "bzhi",       "mulx",    "pdep",       "pext",       "rorx",
    "sarx",    "shlx",       "shrx",    "movbe",      "adcx",       "adox",
    "femms",   "gf2p8affineqb", "gf2p8affineinvqb", "gf2p8mulb"};

// AVX-512 F, VL, BW and DQ instructions that can also be written with xmm or ymm operands.
const Names kAvx512Vex = {"vpternlogd", "vpternlogq",  "vpermt2ps",   "vpermi2ps", "vpermt2pd",
                          "vpermi2pd",  "vrndscaleps", "vcompressps", "vexpandps", "vscalefps",
                          "vrcp14ps",   "vrsqrt14ps",  "vpmovdb",     "vpmovdw",   "valignd",
                          "vgetexpps",  "vfixupimmps", "vrangeps",    "vshuff64x2", "vshuff32x4",
                          "vextractf64x2", "vinsertf64x2", "vextractf32x8", "vinsertf32x8"};

// VEX-encoded, yet in none of the builds' sets (F16C, AVX-512 CD).
const Names kBeyondVex = {"vcvtph2ps", "vcvtps2ph", "vpconflictd", "vplzcntd"};

const Names kPrefixes = {"rep",   "repz", "repnz", "repe", "repne", "lock",  "data16",
                         "addr32", "cs",  "ds",    "es",   "ss",    "fs",    "gs",
                         "bnd",   "notrack"};

const std::regex kXmm(R"(\bxmm[0-9]+\b)");
const std::regex kMm(R"(\bmm[0-7]\b)");
const std::regex kYmm(R"(\bymm[0-9]+\b)");
// AVX-512 state: zmm, mask registers, and the upper sixteen xmm/ymm registers.
const std::regex kAvx512Registers(R"(\b(zmm[0-9]+|k[0-7]|[xy]mm(1[6-9]|2[0-9]|3[01]))\b)");
// Compare instructions with their predicate in the name (cmpeqps, cmpnltsd, ...).
const std::regex kComparePredicate(R"(cmp(eq|lt|le|unord|neq|nlt|nle|ord)?(ps|ss|pd|sd))");

bool Uses(const std::regex& registers, const Instruction& i) {
    return std::regex_search(i.operands, registers);
}

bool In(const Names& names, const std::string& mnemonic) { return names.count(mnemonic) > 0; }

}  // namespace

const char* LevelName(InstructionLevel level) {
    switch (level) {
        case InstructionLevel::kBase: return "base/MMX";
        case InstructionLevel::kSse: return "SSE";
        case InstructionLevel::kSse2: return "SSE2";
        case InstructionLevel::kSse3: return "SSE3";
        case InstructionLevel::kSsse3: return "SSSE3";
        case InstructionLevel::kSse41: return "SSE4.1";
        case InstructionLevel::kSse42: return "SSE4.2";
        case InstructionLevel::kAvx2Fma: return "AVX2/FMA";
        case InstructionLevel::kAvx512: return "AVX-512";
        case InstructionLevel::kBeyond: return "beyond AVX-512 F/VL/BW/DQ";
        case InstructionLevel::kUnknown: return "unclassified";
    }
    return "?";
}

std::vector<Instruction> ParseDisassembly(const std::string& objdumpOutput) {
    static const std::regex function(R"(^[0-9a-f]+ <(.+)>:$)");
    static const std::regex line(R"(^\s*[0-9a-f]+:\t(.*)$)");
    std::vector<Instruction> result;
    std::string current;
    std::istringstream in(objdumpOutput);
    std::string text;
    std::smatch match;
    while (std::getline(in, text)) {
        if (std::regex_match(text, match, function)) {
            current = match[1];
            continue;
        }
        if (!std::regex_match(text, match, line)) continue;
        std::istringstream words(match[1].str());
        Instruction instruction{current, "", "", match[1].str()};
        while (words >> instruction.mnemonic && In(kPrefixes, instruction.mnemonic)) {
        }
        std::getline(words, instruction.operands);
        if (!instruction.mnemonic.empty()) result.push_back(instruction);
    }
    return result;
}

InstructionLevel LevelOf(const Instruction& i) {
    const std::string& m = i.mnemonic;
    const bool xmm = Uses(kXmm, i);
    const bool mm = Uses(kMm, i);
    if (In(kBeyond, m) || In(kBeyondVex, m) || m.rfind("pf", 0) == 0)
        return InstructionLevel::kBeyond;
    if (Uses(kAvx512Registers, i) || In(kAvx512Vex, m)) return InstructionLevel::kAvx512;
    if (Uses(kYmm, i) || (m.size() > 1 && m[0] == 'v' && (xmm || m.rfind("vzero", 0) == 0)))
        return InstructionLevel::kAvx2Fma;
    if (In(kSse42, m)) return InstructionLevel::kSse42;
    // pextrw with a memory destination came with SSE4.1.
    if (m == "pextrw" && xmm && i.operands.find("PTR") != std::string::npos)
        return InstructionLevel::kSse41;
    if (In(kSse41, m)) return InstructionLevel::kSse41;
    if (In(kSsse3, m)) return InstructionLevel::kSsse3;
    if (In(kSse3, m)) return InstructionLevel::kSse3;
    if (In(kSse2, m)) return InstructionLevel::kSse2;
    // The string instructions movsd and cmpsd share their names with SSE2 ones.
    if ((m == "movsd" || m == "cmpsd") && xmm) return InstructionLevel::kSse2;
    std::smatch predicate;
    if (std::regex_match(m, predicate, kComparePredicate)) {
        const std::string type = predicate[2];
        if (type == "ps" || type == "ss") return InstructionLevel::kSse;
        if (xmm) return InstructionLevel::kSse2;
    }
    if (In(kSseOnMmx, m)) return xmm ? InstructionLevel::kSse2 : InstructionLevel::kSse;
    if (In(kMmx, m)) return xmm ? InstructionLevel::kSse2 : InstructionLevel::kBase;
    if (In(kSse, m)) return InstructionLevel::kSse;
    if (xmm || mm) return InstructionLevel::kUnknown;
    return InstructionLevel::kBase;
}

bool IsX87(const Instruction& i) {
    return !i.mnemonic.empty() && i.mnemonic[0] == 'f' && i.mnemonic != "fxsave" &&
           i.mnemonic != "fxrstor" && i.mnemonic != "fxsave64" && i.mnemonic != "fxrstor64";
}

bool UsesMmxRegister(const Instruction& i) { return Uses(kMm, i); }

}  // namespace zel::test
