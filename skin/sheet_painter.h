#pragma once
// Paints the skin sheets from the layout table.
#include <QImage>
#include <QString>

namespace z7 {

// The picture of one skin file (by its file name), or a null image for a name the pack does not
// contain.
QImage PaintSkinFile(const QString& fileName);

}  // namespace z7
