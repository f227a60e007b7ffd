#include "gui/pages/support/support_page.h"

namespace z7 {

bool SupportPage::HasFurniture(Furniture which) const {
    return which == Furniture::kMin || which == Furniture::kClose || which == Furniture::kBack;
}

}  // namespace z7
