#include "gui/pages/macros/macro_page.h"

namespace z7 {

void MacroPage::OpenForButton(int /*button*/) {
    Open();
}

bool MacroPage::HasFurniture(Furniture which) const {
    return which != Furniture::kBack && which != Furniture::kDefault;
}

}  // namespace z7
