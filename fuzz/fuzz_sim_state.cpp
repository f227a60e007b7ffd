// The simulator state reader must refuse any damaged file without crashing, and whatever it
// accepts must save back to the same bytes.
#include <cstdlib>

#include "sim/sim_state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::SimState state;
    if (z7::LoadSimState({data, size}, state)) {
        const std::vector<uint8_t> saved = z7::SaveSimState(state);
        if (saved.size() != size || !std::equal(saved.begin(), saved.end(), data)) std::abort();
    }
    return 0;
}
