#include "gui/pages/pointer/pointer_page.h"

namespace z7 {}  // namespace z7
