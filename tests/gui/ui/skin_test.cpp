#include "gui/ui/skin.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include "gui/ui/skin_controls.h"
#include "gui/ui/skin_layout.h"

namespace z7 {
namespace {

std::filesystem::path Fs(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

std::filesystem::path ShippedSkin() {
    return std::filesystem::path(Z7_SOURCE_DIR) / "Z7_CN_Skins";
}

QImage Solid(QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// Every file the table can name must exist in the pack and hold its elements.
TEST(SkinPack, EveryFileDecodesAndHoldsItsElements) {
    const auto names = SkinFileNames();
    QSet<QString> unique;
    for (const char* name : names) unique.insert(QString::fromUtf8(name));
    EXPECT_EQ(names.size(), 120u);
    EXPECT_EQ(unique.size(), 120);

    for (const char* name : names) {
        const QImage image = LoadSkinImage(ShippedSkin() / name);
        EXPECT_FALSE(image.isNull()) << name;
    }
    SkinStore store(ShippedSkin());
    int checked = 0;
    for (const SkinElement& e : SkinElements()) {
        for (int state = kStateNormal; state <= kStateOff; ++state) {
            const QString file = SkinFileFor(e.element, state);
            if (file.isEmpty()) continue;
            EXPECT_TRUE(unique.contains(file)) << e.element << " " << file.toStdString();
            const QImage sheet = store.Sheet(file);
            ASSERT_FALSE(sheet.isNull()) << file.toStdString();
            if (!IsWholeImageElement(e.element)) {
                EXPECT_TRUE(sheet.rect().contains(e.rect))
                    << "element " << e.element << " outside " << file.toStdString();
            }
            EXPECT_FALSE(store.SkinPart(e.element, state).isNull()) << e.element << "/" << state;
            ++checked;
        }
    }
    EXPECT_GT(checked, 600);
}

// The sheets paint the captions with these fonts; a caption that does not fit its rectangle
// comes out clipped ("慢" and "快" under the pointer speed once did).
TEST(SkinLayout, EveryCaptionFitsItsRectangle) {
    for (const SkinCaption& c : SkinCaptions()) {
        const QFont font = c.role == 1   ? SkinFont(16, 500)
                           : c.role == 3 ? SkinFont(14, 700)
                                         : SkinFont(14);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | (c.role == 3 ? 0 : Qt::TextWordWrap);
        const QRect needed =
            QFontMetrics(font).boundingRect(c.rect, flags, QString::fromUtf8(c.text));
        EXPECT_LE(needed.height(), c.rect.height()) << "family " << c.family << ": " << c.text;
        EXPECT_LE(needed.width(), c.rect.width()) << "family " << c.family << ": " << c.text;
    }
}

TEST(SkinPack, EveryFamilyHasItsStatesAndEveryNumberedControlIsLaidOut) {
    for (const SkinFamily& f : SkinFamilies()) {
        EXPECT_NE(FindElement(f.first), nullptr) << f.stem;
        for (int element = f.first + 1; element <= f.last; ++element) {
            if (element == 54 || element == 55) continue;
            EXPECT_NE(FindElement(element), nullptr) << "no rectangle for element " << element;
        }
        // Three-state families have no Off file; two-state ones only their two files.
        EXPECT_EQ(SkinFileFor(f.first + 1, kStateOff).isEmpty(), f.states < 4) << f.stem;
        EXPECT_EQ(SkinFileFor(f.first + 1, kStateDown).isEmpty(), f.states < 3) << f.stem;
    }
    EXPECT_EQ(SkinFileFor(0, kStateDown), QStringLiteral("LMain_Normal.png"));
    EXPECT_EQ(SkinFileFor(248, kStateOver), QStringLiteral("Firmware incorrect Normal.png"));
    EXPECT_EQ(SkinFileFor(249, kStateOver), QStringLiteral("Firmware incorrect Over.png"));
    EXPECT_EQ(SkinFileFor(274, kStateNormal), QStringLiteral("LUpdate Completed Nomal.png"));
    EXPECT_EQ(SkinFileFor(280, kStateOver), QStringLiteral("LFirmware updateFull Over.png"));
    EXPECT_EQ(SkinFileFor(280, kStateNormal), QStringLiteral("LFirmware updateStart Normal.png"));
    EXPECT_EQ(SkinFileFor(55, kStateDown), QStringLiteral("slider_Over.png"));
    for (int outside : {-1, 149, 150, 151, 193, 300}) {
        EXPECT_TRUE(SkinFileFor(outside, kStateNormal).isEmpty()) << outside;
    }
    EXPECT_EQ(ElementNamed(286, "Version"), 290);
    EXPECT_EQ(ElementNamed(297, "NO"), -1);
}

// Overlapping pieces would paint over each other in the sheets and under each other on screen.
TEST(SkinPack, ControlsAndCaptionsOfAWindowDoNotOverlap) {
    for (const SkinFamily& f : SkinFamilies()) {
        std::vector<const SkinElement*> controls;
        for (const SkinElement& e : SkinElements()) {
            const SkinFamily* owner = FamilyOf(e.element);
            if (owner == &f && e.element != f.first) controls.push_back(&e);
        }
        for (size_t i = 0; i < controls.size(); ++i) {
            EXPECT_TRUE(QRect(QPoint(0, 0), f.size).contains(controls[i]->rect))
                << controls[i]->element;
            for (size_t j = i + 1; j < controls.size(); ++j) {
                EXPECT_FALSE(controls[i]->rect.intersects(controls[j]->rect))
                    << f.stem << ": " << controls[i]->element << " / " << controls[j]->element;
            }
        }
        for (const SkinCaption& c : SkinCaptions()) {
            if (c.family != f.first) continue;
            EXPECT_TRUE(QRect(QPoint(0, 0), f.size).contains(c.rect)) << c.text;
            for (const SkinElement* e : controls) {
                EXPECT_FALSE(c.rect.intersects(e->rect))
                    << f.stem << ": caption " << c.text << " / " << e->element;
            }
        }
    }
}

class SkinFolder : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    void Write(const QString& name, const QImage& image) {
        ASSERT_TRUE(image.save(dir_.filePath(name), "PNG"));
    }
    void WriteBytes(const QString& name, const QByteArray& bytes) {
        QFile f(dir_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    std::filesystem::path folder() const { return Fs(dir_.path()); }
    QTemporaryDir dir_;
};

TEST_F(SkinFolder, LookupFollowsFamiliesAndStates) {
    Write("FactoryDefault_Normal.png", Solid({100, 60}, Qt::red));
    Write("FactoryDefault_Over.png", Solid({100, 60}, Qt::green));
    Write("FactoryDefault_Down.png", Solid({100, 60}, Qt::blue));
    Write("LMain_Normal.png", Solid({300, 200}, Qt::yellow));
    Write("Scroll_Down.png", Solid({16, 72}, Qt::cyan));
    Write("Scroll_Over.png", Solid({16, 72}, Qt::magenta));
    SkinStore store(folder());

    // FactoryDefault has no Off picture.
    EXPECT_TRUE(store.SkinPart(190, kStateOff, 0, 0, 10, 10).isNull());
    const QImage over = store.SkinPart(190, kStateOver, 10, 5, 30, 25);
    ASSERT_FALSE(over.isNull());
    EXPECT_EQ(over.size(), QSize(20, 20));
    EXPECT_EQ(over.pixelColor(0, 0), QColor(Qt::green));
    // A background comes from the Normal sheet whatever state is asked for.
    EXPECT_EQ(store.SkinPart(189, kStateDown, 0, 0, 10, 10).pixelColor(0, 0), QColor(Qt::red));

    // Element 0 is the whole main picture, whatever rectangle is given.
    const QImage main = store.SkinPart(0, kStateOver, 5, 5, 6, 6);
    EXPECT_EQ(main.size(), QSize(300, 200));

    // The scroll pieces rest in "Scroll_Down.png" and press into "Scroll_Over.png".
    EXPECT_EQ(store.SkinPart(146, kStateNormal, 0, 0, 16, 16).pixelColor(1, 1), QColor(Qt::cyan));
    EXPECT_EQ(store.SkinPart(146, kStateOver, 0, 0, 16, 16).pixelColor(1, 1), QColor(Qt::magenta));
    EXPECT_TRUE(store.SkinPart(146, kStateDown, 0, 0, 16, 16).isNull());

    // Out of the table, outside the sheet or empty: no picture rather than a bad one.
    EXPECT_TRUE(store.SkinPart(149, kStateNormal, 0, 0, 10, 10).isNull());
    EXPECT_TRUE(store.SkinPart(300, kStateNormal, 0, 0, 10, 10).isNull());
    EXPECT_TRUE(store.SkinPart(190, kStateNormal, 90, 50, 120, 70).isNull());
    EXPECT_TRUE(store.SkinPart(190, kStateNormal, 20, 20, 20, 30).isNull());
    EXPECT_TRUE(store.SkinPart(190, kStateNormal, 30, 20, 10, 30).isNull());
    // A sheet that is missing gives nothing for its elements.
    EXPECT_TRUE(store.SkinPart(21, kStateNormal).isNull());
}

TEST_F(SkinFolder, DamagedFilesGiveNoImage) {
    WriteBytes("LMain_Normal.png", QByteArray());
    WriteBytes("LMain_Over.png", QByteArray("\x89PNG\r\n\x1a\n garbage", 18));
    QImage good = Solid({40, 40}, Qt::white);
    Write("LMain_Down.png", good);
    QFile truncated(dir_.filePath("LMain_Down.png"));
    ASSERT_TRUE(truncated.open(QIODevice::ReadWrite));
    ASSERT_TRUE(truncated.resize(truncated.size() / 2));
    truncated.close();

    EXPECT_TRUE(LoadSkinImage(folder() / "LMain_Normal.png").isNull());
    EXPECT_TRUE(LoadSkinImage(folder() / "LMain_Over.png").isNull());
    EXPECT_TRUE(LoadSkinImage(folder() / "missing.png").isNull());
    EXPECT_TRUE(LoadSkinImage(folder()).isNull());  // a folder, not a file
    SkinStore store(folder());
    EXPECT_TRUE(store.SkinPart(0, kStateNormal, 0, 0, 1, 1).isNull());
    EXPECT_TRUE(store.SkinPart(1, kStateOver, 0, 0, 1, 1).isNull());
}

TEST_F(SkinFolder, LanguageFileOverridesOnlyWhatItHas) {
    WriteBytes("language.ini",
               QByteArray("[Other]\n58=wrong\n[Text]\n58 = 阶数说明\n59=\n ; comment\n"));
    LanguageTable table;
    ASSERT_TRUE(table.Load(folder() / "language.ini"));
    EXPECT_EQ(table.Text("58", "内置"), QStringLiteral("阶数说明"));
    EXPECT_EQ(table.Text("59", "内置"), QStringLiteral("内置"));  // empty value
    EXPECT_EQ(table.Text("60", "内置"), QStringLiteral("内置"));

    // UTF-16 files, as Windows editors save them.
    const QString utf16 = QStringLiteral("[Text]\r\n100=滚轮\r\n");
    QByteArray bytes("\xff\xfe", 2);
    bytes.append(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2);
    WriteBytes("utf16.ini", bytes);
    ASSERT_TRUE(table.Load(folder() / "utf16.ini"));
    EXPECT_EQ(table.Text("100", "x"), QStringLiteral("滚轮"));

    LanguageTable missing;
    EXPECT_FALSE(missing.Load(folder() / "none.ini"));
    EXPECT_EQ(missing.Text("58", "内置"), QStringLiteral("内置"));
}

}  // namespace
}  // namespace z7
