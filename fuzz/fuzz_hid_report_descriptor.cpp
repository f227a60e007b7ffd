// Report descriptors come from the device: any bytes must parse without a fault.
#include "core/device/hid_report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)z7::TopLevelUsages({data, size});
    return 0;
}
