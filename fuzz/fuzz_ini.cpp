#include <cstdint>
#include <cstdlib>

#include "core/profile/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::IniFile ini = z7::IniFile::Parse({data, size});
    (void)ini.Get(u"ConfigData", u"DataPath");
    ini.Set(u"ConfigData", u"DataPath", u"/x");
    // A written value must read back, whatever the rest of the file looked like.
    const z7::IniFile again = z7::IniFile::Parse(ini.Serialize());
    if (again.Get(u"ConfigData", u"DataPath") != u"/x") std::abort();
    return 0;
}
