// libFuzzer target for the FIGlet font reader and the composition: every
// input is read as a spacing, a short text and a font file, and the result
// checked (see figlet_check.h). Built and run by scripts/run_fuzz.sh.
#include "tests/fuzz/figlet_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, std::size_t nSize)
{
    std::string strWhy;
    if (!gwfuzz::FigRenderHolds(std::string_view(reinterpret_cast<const char*>(pData), nSize),
                                &strWhy)) {
        std::fprintf(stderr, "figlet render: %s (input of %zu bytes)\n", strWhy.c_str(), nSize);
        std::abort();
    }
    return 0;
}
