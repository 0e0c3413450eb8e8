// libFuzzer target for the ".gwp" reader: every input is checked, and every
// accepted one is loaded and written back (see gwp_round_trip.h). Built and
// run by scripts/run_fuzz.sh.
#include "core/backup_store.h"
#include "tests/fuzz/gwp_round_trip.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    // Frame memory is read-only outside a step; the program installs this
    // handler before any document exists, and so must the fuzzer.
    BackupInstallFaultFilter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, std::size_t nSize)
{
    const std::string_view data(reinterpret_cast<const char*>(pData), nSize);
    std::string strWhy;
    if (!gwfuzz::GwpRoundTripHolds(data, &strWhy)) {
        std::fprintf(stderr, "gwp round trip: %s (input of %zu bytes)\n", strWhy.c_str(), nSize);
        std::abort();
    }
    return 0;
}
