#pragma once
// Skin images and the text lookup: elements cut from the skin sheets by number and state, and
// the texts of the language file with their built-in fallback.
#include <QHash>
#include <QImage>
#include <QString>
#include <filesystem>
#include <mutex>
#include <span>

namespace z7 {

// Decodes a PNG (or any image Qt reads). A missing, empty or corrupt file gives a null image.
QImage LoadSkinImage(const std::filesystem::path& path);
// The same for bytes already in memory.
QImage DecodeSkinImage(const QByteArray& bytes);

// The sheets of one skin folder, each decoded on its first request and kept (decoding all 120
// at once cost most of the start-up time and tens of megabytes the program never showed).
class SkinStore {
  public:
    explicit SkinStore(std::filesystem::path folder);

    // A new image holding the rectangle (left, top) - (right, bottom) of the family's sheet for
    // `state`; for the whole-image elements 0, 54, 55 and 145 the whole sheet. Null for an
    // element outside the table, a state the family lacks, a missing sheet, or a rectangle that
    // does not lie inside the sheet.
    QImage SkinPart(int element, int state, int left, int top, int right, int bottom);
    // The same with the element's rectangle from the layout table.
    QImage SkinPart(int element, int state);
    // A loaded sheet by file name (also the unnumbered helper images); null when missing.
    QImage Sheet(const QString& fileName);

    const std::filesystem::path& folder() const { return folder_; }

  private:
    std::filesystem::path folder_;
    std::mutex mutex_;
    QHash<QString, QImage> sheets_;  // a null image remembers a missing or broken file
};

// The program's skin: the folder "Z7_CN_Skins" beside the program, else in the data directory.
SkinStore& ProgramSkin();
// Shorthands for ProgramSkin().SkinPart(...).
QImage SkinPart(int element, int state, int left, int top, int right, int bottom);
QImage SkinPart(int element, int state);

// Texts of a language file (section "Text", decimal keys).
class LanguageTable {
  public:
    // Reads the file; a missing or unreadable file leaves the table empty (built-in texts).
    bool Load(const std::filesystem::path& path);
    // The same for the bytes of such a file; never fails.
    void LoadBytes(std::span<const uint8_t> bytes);
    // The file's text for `key` when it has a non-empty one, else `builtIn`.
    QString Text(const QString& key, const QString& builtIn) const;
    bool empty() const { return texts_.isEmpty(); }

  private:
    QHash<QString, QString> texts_;
};

// Looks `key` up in "language.ini" beside the program (or in the data directory), read once;
// without that file or key the built-in text.
QString LanguageText(const QString& key, const QString& builtIn);
QString LanguageText(int key, const QString& builtIn);

}  // namespace z7
