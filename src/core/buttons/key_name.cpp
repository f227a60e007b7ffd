#include "core/buttons/key_name.h"

#include <array>
#include <string>

namespace z7 {
namespace {

struct Named {
    uint16_t code;
    std::u16string_view name;
};

// Two names keep the trailing blank they have always been shown with.
constexpr Named kNames[] = {
    {1, u"Left Button"},
    {2, u"Right Button"},
    {4, u"Middle Button"},
    {8, u"BACK"},
    {9, u"TAB"},
    {12, u"CLEAR"},
    {13, u"ENTER"},
    {19, u"PAUSE"},
    {20, u"CAPS LOCK"},
    {27, u"ESC"},
    {32, u"SPACE"},
    {33, u"PAGE UP"},
    {34, u"PAGE DOWN"},
    {35, u"END"},
    {36, u"HOME"},
    {37, u"LEFT ARROW"},
    {38, u"UP ARROW "},
    {39, u"RIGHT ARROW"},
    {40, u"DOWN ARROW"},
    {41, u"SELECT"},
    {42, u"PRINT"},
    {43, u"EXECUTE"},
    {44, u"PRINT SCREEN"},
    {45, u"INS"},
    {46, u"DEL"},
    {47, u"HELP"},
    {91, u"Left Window"},
    {92, u"Right Window"},
    {93, u"Application"},
    {106, u"*"},
    {107, u"+"},
    {109, u"-"},
    {110, u"."},
    {111, u"/"},
    {144, u"NUM LOCK"},
    {145, u"SCROLL LOCK"},
    {160, u"Left SHIFT"},
    {161, u"Right SHIFT"},
    {162, u"Left CONTROL"},
    {163, u"Right CONTROL"},
    {164, u"Left ALT"},
    {165, u"Right ALT"},
    {166, u"Browser Back"},
    {167, u"Browser Forward"},
    {168, u"Browser Refresh"},
    {174, u"Volume Down"},
    {175, u"Volume Up "},
    {186, u";"},
    {187, u"+"},
    {188, u","},
    {189, u"-"},
    {190, u"."},
    {191, u"/"},
    {192, u"`"},
    {219, u"["},
    {220, u"\\"},
    {221, u"]"},
    {222, u"'"},
    {255, u"Fn"},
};

class KeyNameTable {
  public:
    KeyNameTable() {
        for (const Named& n : kNames) names_[n.code] = n.name;
        for (char16_t c = u'0'; c <= u'9'; ++c) {
            names_[c] = std::u16string(1, c);
            names_[96 + (c - u'0')] = std::u16string(1, c);  // numeric keypad
        }
        for (char16_t c = u'A'; c <= u'Z'; ++c) names_[c] = std::u16string(1, c);
        for (int f = 1; f <= 24; ++f) {
            std::u16string name = u"F";
            if (f >= 10) name += static_cast<char16_t>(u'0' + f / 10);
            name += static_cast<char16_t>(u'0' + f % 10);
            names_[111 + f] = name;
        }
    }
    std::u16string_view operator[](uint16_t code) const {
        return code < names_.size() ? std::u16string_view(names_[code]) : std::u16string_view();
    }

  private:
    std::array<std::u16string, 256> names_;
};

}  // namespace

std::u16string_view KeyNameOf(uint16_t code) {
    static const KeyNameTable table;
    return table[code];
}

}  // namespace z7
