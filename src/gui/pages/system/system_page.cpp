#include "gui/pages/system/system_page.h"

namespace z7 {}  // namespace z7
