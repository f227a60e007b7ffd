// The profile reader must reject damage without crashing, and what it accepts must write back.
#include <cstdint>
#include <cstdlib>

#include "core/profile/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::ProfileRecord record;
    const z7::ProfileRecord before = record;
    if (!z7::ParseProfile({data, size}, record)) {
        if (!(record == before)) std::abort();
        return 0;
    }
    const auto bytes = z7::SerializeProfile(record);
    if (!bytes) std::abort();
    z7::ProfileRecord again;
    if (!z7::ParseProfile(*bytes, again)) std::abort();
    again.filePath = record.filePath;
    for (size_t i = 0; i < again.buttonBindings.size(); ++i)
        again.buttonBindings[i].defaultValue = record.buttonBindings[i].defaultValue;
    if (!(again == record)) std::abort();
    return 0;
}
