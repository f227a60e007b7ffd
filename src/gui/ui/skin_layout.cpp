#include "gui/ui/skin_layout.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace z7 {
namespace {

using K = ElementKind;

// Edges as the windows' layout speaks of them: left, top, right, bottom (right/bottom exclusive).
constexpr QRect R(int l, int t, int r, int b) {
    return QRect(l, t, r - l, b - t);
}

constexpr QSize kMainSize(860, 572);
constexpr QSize kPageSize(760, 520);
constexpr QSize kLibrarySize(520, 300);
constexpr QSize kTextBlockSize(560, 340);
constexpr QSize kMessageSize(440, 240);
constexpr QSize kUpdaterSize(480, 280);

const SkinFamily kFamilies[] = {
    {0, 19, "LMain", 4, false, kMainSize, "KESTA Z7 LASER SOFTWARE"},
    {20, 35, "SystemSettings", 4, false, kPageSize, "SYSTEM SETTINGS", 2001, 2003},
    {36, 49, "ButtonAssignment", 4, false, kPageSize, "BUTTON ASSIGNMENT"},
    {50, 70, "BasicSettings", 4, false, kPageSize, "BASIC SETTINGS"},
    {71, 111, "LAdvancedSettings", 4, false, kPageSize, "ADVANCED SETTINGS"},
    {112, 144, "MacroRecording", 4, false, kPageSize, "MACRO RECORDING"},
    {152, 174, "LightSettings", 4, false, kPageSize, "LIGHT SETTINGS"},
    {175, 184, "Support", 4, false, kPageSize, "Support"},
    {185, 188, "SystemMessage", 4, false, kMessageSize, "恢复默认设置"},
    {189, 192, "FactoryDefault", 3, false, kMessageSize, "恢复出厂设置"},
    {194, 197, "ButtonDefault", 3, false, kMessageSize, "恢复按键默认设置"},
    {198, 201, "LEDDefault", 3, false, kMessageSize, "恢复背光默认设置"},
    {202, 205, "ADDefault", 3, false, kMessageSize, "恢复进阶默认设置"},
    {206, 209, "BasicDefault", 3, false, kMessageSize, "恢复基础默认设置"},
    {210, 222, "CustomHotkeys", 4, false, kLibrarySize, "自定义快捷键"},
    {223, 230, "BindaKey", 4, false, kLibrarySize, "指派按键"},
    {231, 239, "ShortCut", 4, false, kLibrarySize, "快捷方式"},
    {240, 247, "TextBlock", 4, false, kTextBlockSize, "文字块"},
    {248, 250, "Firmware incorrect", 3, true, kUpdaterSize, "固件更新"},
    {251, 253, "LCan not find", 3, true, kUpdaterSize, "固件更新"},
    {254, 257, "LFirmware up to date", 3, true, kUpdaterSize, "固件更新"},
    {258, 263, "LFirmware Newer", 3, true, kUpdaterSize, "固件更新"},
    {264, 269, "LUpdate firmware", 3, true, kUpdaterSize, "固件更新"},
    {270, 272, "Lencountered problem", 3, true, kUpdaterSize, "固件更新"},
    {273, 274, "LUpdate Completed", 2, true, kUpdaterSize, "固件更新"},
    {275, 278, "LSuccessfully update", 3, true, kUpdaterSize, "固件更新"},
    {279, 281, "LFirmware update", 2, true, kUpdaterSize, "固件更新"},
    {282, 285, "Data Changed", 3, true, kMessageSize, "设置已更改"},
    {286, 290, "CheckStart", 3, false, kMessageSize, "固件更新"},
    {291, 293, "Calibrate", 3, false, kMessageSize, "表面校准"},
    {294, 296, "LeftClick", 3, false, kMessageSize, "左键设置"},
    {297, 299, "LDeviceNotFound", 3, false, kMessageSize, "未找到鼠标"},
};

// Shared page furniture: title-bar buttons and the bottom bar.
constexpr QRect kPageMin = R(676, 12, 704, 40);
constexpr QRect kPageClose = R(712, 12, 740, 40);
constexpr QRect kPageBack = R(24, 468, 124, 500);
constexpr QRect kPageDefault = R(412, 468, 512, 500);
constexpr QRect kPageCancel = R(524, 468, 624, 500);
constexpr QRect kPageApply = R(636, 468, 736, 500);

constexpr QRect kMessageClose = R(404, 10, 430, 36);
constexpr QRect kMessageNo = R(196, 188, 306, 222);
constexpr QRect kMessageYes = R(316, 188, 426, 222);
constexpr QRect kMessageVersion = R(136, 140, 306, 170);

constexpr QRect kUpdaterClose = R(444, 10, 470, 36);
constexpr QRect kUpdaterOk = R(356, 228, 462, 262);
constexpr QRect kUpdaterCancel = R(238, 228, 344, 262);
constexpr QRect kUpdaterMouseVersion = R(180, 138, 300, 166);
constexpr QRect kUpdaterFileVersion = R(180, 174, 300, 202);

constexpr QRect kLibClose = R(484, 10, 510, 36);
constexpr QRect kLibCancel = R(292, 252, 392, 284);
constexpr QRect kLibSave = R(404, 252, 504, 284);

std::vector<SkinElement> BuildElements() {
    std::vector<SkinElement> e;
    auto add = [&](int n, const char* name, K kind, QRect r, const char* label = "") {
        e.push_back({n, name, kind, r, label});
    };
    auto wholeSheet = [](QSize s) { return QRect(QPoint(0, 0), s); };
    for (const SkinFamily& f : kFamilies)
        add(f.first, "Background", K::Background, wholeSheet(f.size));

    // Main window.
    add(1, "System", K::Button, R(600, 14, 704, 42), "系统设置");
    add(2, "Share", K::Combo, R(656, 516, 836, 550));
    add(3, "Support Site", K::Button, R(160, 516, 320, 550), "技术支持网站");
    add(4, "Min", K::Minimize, R(780, 14, 808, 42));
    add(5, "Tray", K::Close, R(816, 14, 844, 42));
    add(6, "Buttons", K::Tile, R(28, 176, 288, 324), "按键设置\n自定义鼠标按键功能");
    add(7, "Basic", K::Tile, R(300, 176, 560, 324), "基础设置\nWindows环境下的指针设置");
    add(8, "Advanced", K::Tile, R(572, 176, 832, 324), "进阶设置\n调整 CPI、角度、USB刷新率");
    add(9, "Macro", K::Tile, R(28, 336, 288, 484), "巨集录制\n录制巨集作为日后应用");
    add(10, "Light", K::Tile, R(300, 336, 560, 484), "背光设置\n自定义背光颜色、亮度及模式");
    add(11, "Support", K::Tile, R(572, 336, 832, 484), "支持与更新\n软件、固件更新，联系我们");
    add(12, "Register", K::Button, R(28, 516, 148, 550), "注册产品");
    add(13, "Profile", K::Combo, R(28, 104, 248, 140));
    add(14, "Profile Name", K::Edit, R(258, 104, 448, 140));
    add(15, "Save", K::Primary, R(460, 104, 548, 140), "储存配置");
    add(16, "Delete", K::Button, R(556, 104, 644, 140), "删除配置");
    add(17, "Import", K::Button, R(652, 104, 740, 140), "导入配置");
    add(18, "Reset", K::Button, R(748, 104, 832, 140), "恢复默认");
    add(19, "Logo", K::Logo, R(20, 10, 168, 46), "KESTA");

    // System settings page.
    add(21, "Min", K::Minimize, kPageMin);
    add(22, "Close", K::Close, kPageClose);
    add(23, "Update Software", K::Button, R(320, 84, 460, 116), "更新软件");
    add(24, "Update Firmware", K::Button, R(320, 128, 460, 160), "更新固件");
    add(25, "Software Version", K::Text, R(180, 84, 300, 116));
    add(26, "Firmware Version", K::Text, R(180, 128, 300, 160));
    add(27, "Start Application", K::Check, R(40, 190, 420, 222), "开机时自动启动程序");
    add(28, "Auto Updates", K::Combo, R(440, 190, 620, 222));
    add(29, "Data Path", K::Edit, R(40, 270, 560, 302));
    add(30, "Select Folder Path", K::Button, R(572, 270, 720, 302), "选择路径");
    add(2001, "Backup", K::Button, R(40, 312, 140, 344), "备份");
    add(2002, "Restore", K::Button, R(152, 312, 252, 344), "恢复");
    add(2003, "Diagnostics", K::Button, R(264, 312, 364, 344), "诊断");
    add(31, "Factory Default", K::Button, R(40, 386, 220, 418), "恢复出厂设置");
    add(32, "Back", K::Button, kPageBack, "返回");
    add(33, "Default", K::Button, kPageDefault, "默认");
    add(34, "Cancel", K::Button, kPageCancel, "取消");
    add(35, "Apply", K::Primary, kPageApply, "应用");

    // Button assignment page: one drop-down per mouse button beside the mouse drawing.
    add(37, "Min", K::Minimize, kPageMin);
    add(38, "Close", K::Close, kPageClose);
    static const char* const kButtonNames[] = {"Button 1", "Button 2", "Button 3", "Button 4",
                                               "Button 5", "Button 6", "Button 7"};
    for (int i = 0; i < 7; ++i) {
        add(39 + i, kButtonNames[i], K::Combo, R(470, 80 + i * 52, 736, 114 + i * 52));
    }
    add(46, "Back", K::Button, kPageBack, "返回");
    add(47, "Default", K::Button, kPageDefault, "默认");
    add(48, "Cancel", K::Button, kPageCancel, "取消");
    add(49, "Apply", K::Primary, kPageApply, "应用");

    // Basic (pointer) settings page.
    add(51, "Min", K::Minimize, kPageMin);
    add(52, "Close", K::Close, kPageClose);
    add(53, "Pointer Speed", K::Track, R(180, 92, 480, 114));
    add(56, "Double Click Speed", K::Track, R(180, 352, 480, 374));
    add(57, "Acceleration", K::Combo, R(250, 129, 370, 159));
    add(58, "Snap To", K::Combo, R(250, 165, 370, 195));
    add(59, "Wheel Lines", K::Check, R(40, 236, 300, 264), "一次滚动下列行数");
    add(60, "Lines", K::Edit, R(304, 236, 360, 264));
    add(61, "Lines Up", K::Arrow, R(362, 236, 380, 250), "up");
    add(62, "Lines Down", K::Arrow, R(362, 250, 380, 264), "down");
    add(63, "Wheel Page", K::Check, R(40, 272, 400, 300), "一次滚动一个屏幕");
    add(64, "Trails", K::Check, R(420, 130, 736, 158), "显示指针轨迹");
    add(65, "Sonar", K::Check, R(420, 166, 736, 194), "按 CTRL 键时显示指针位置");
    add(66, "Double Click Test", K::Button, R(520, 320, 620, 420), "Q");
    add(67, "Back", K::Button, kPageBack, "返回");
    add(68, "Default", K::Button, kPageDefault, "默认");
    add(69, "Cancel", K::Button, kPageCancel, "取消");
    add(70, "Apply", K::Primary, kPageApply, "应用");
    // Slider thumbs are whole images of their own.
    add(54, "Thumb", K::Thumb, R(0, 0, 16, 24));
    add(55, "Thumb Over", K::Thumb, R(0, 0, 16, 24));

    // Advanced (sensor) settings page: the CPI steps on the left; on the right each setting's
    // caption, then for the two levels the slider and its value, and the drop-down at the right
    // end (the value's tooltip points the user to the drop-down "on the right").
    add(72, "Min", K::Minimize, kPageMin);
    add(73, "Close", K::Close, kPageClose);
    add(74, "Steps", K::Combo, R(150, 72, 250, 102));
    for (int step = 0; step < 3; ++step) {
        static const char* const kX[] = {"Step 1 X", "Step 2 X", "Step 3 X"};
        static const char* const kY[] = {"Step 1 Y", "Step 2 Y", "Step 3 Y"};
        const int top = 126 + step * 46;
        add(75 + step * 2, kX[step], K::Edit, R(110, top, 200, top + 32));
        add(76 + step * 2, kY[step], K::Edit, R(250, top, 340, top + 32));
    }
    static const char* const kArrowNames[] = {"Step 1 X Up",   "Step 1 X Down", "Step 1 Y Up",
                                              "Step 1 Y Down", "Step 2 X Up",   "Step 2 X Down",
                                              "Step 2 Y Up",   "Step 2 Y Down", "Step 3 X Up",
                                              "Step 3 X Down", "Step 3 Y Up",   "Step 3 Y Down"};
    for (int i = 0; i < 12; ++i) {
        const int step = i / 4;
        const bool yEdit = (i / 2) % 2 == 1;
        const bool down = i % 2 == 1;
        const int left = yEdit ? 342 : 202;
        const int top = 126 + step * 46 + (down ? 16 : 0);
        add(81 + i, kArrowNames[i], K::Arrow, R(left, top, left + 20, top + 16),
            down ? "down" : "up");
    }
    add(93, "Change CPI 1", K::Text, R(40, 296, 186, 330));
    add(94, "Change CPI 2", K::Text, R(194, 296, 368, 330));
    add(95, "Angle Snap", K::Combo, R(652, 72, 736, 102));
    add(96, "Angle Snap Slider", K::Track, R(484, 76, 600, 98));
    add(109, "Snap Bar", K::Text, R(606, 72, 646, 102));
    add(99, "LOD", K::Combo, R(652, 118, 736, 148));
    add(100, "LOD Slider", K::Track, R(484, 122, 600, 144));
    add(111, "LOD Bar", K::Text, R(606, 118, 646, 148));
    add(101, "Polling Rate", K::Combo, R(596, 164, 736, 194));
    add(102, "Smoothing", K::Combo, R(596, 210, 736, 240));
    add(103, "Surface Calibrate", K::Combo, R(596, 256, 736, 286));
    add(104, "Calibrate", K::Button, R(596, 302, 736, 334), "校准");
    // Angle tune is kept per profile but never shown: its three pieces sit in the free strip
    // under the CPI steps, and the page paints them out of its picture.
    add(97, "Angle Tune", K::Combo, R(40, 380, 120, 410));
    add(98, "Angle Tune Slider", K::Track, R(130, 384, 230, 406));
    add(110, "Tune Bar", K::Text, R(240, 380, 280, 410));
    add(105, "Back", K::Button, kPageBack, "返回");
    add(106, "Default", K::Button, kPageDefault, "默认");
    add(107, "Cancel", K::Button, kPageCancel, "取消");
    add(108, "Apply", K::Primary, kPageApply, "应用");

    // Macro recording page.
    add(113, "Min", K::Minimize, kPageMin);
    add(114, "Close", K::Close, kPageClose);
    // Eight rows of 42 pixels below the list's column captions.
    add(115, "Macro list", K::List, R(24, 94, 360, 454));
    add(116, "Macro Name", K::Edit, R(24, 58, 200, 88));
    add(117, "Delete Macro", K::Button, R(208, 58, 280, 88), "删除");
    add(118, "Import", K::Button, R(288, 58, 360, 88), "导入");
    add(119, "Repeat X", K::Check, R(384, 84, 520, 112), "重复次数");
    add(120, "Repeat Count", K::Edit, R(528, 84, 578, 112));
    add(121, "Repeat Up", K::Arrow, R(580, 84, 598, 98), "up");
    add(122, "Repeat Down", K::Arrow, R(580, 98, 598, 112), "down");
    add(123, "Repeat Press", K::Check, R(384, 120, 736, 148), "按住按键时重复");
    add(124, "Repeat until nkey", K::Check, R(384, 156, 736, 184), "重复直到按下其他按键");
    add(125, "Start Record", K::Primary, R(384, 198, 556, 234), "开始录制");
    add(126, "Stop Record", K::Button, R(564, 198, 736, 234), "停止录制");
    add(127, "Sel Delay sek", K::Check, R(384, 252, 500, 280), "指定延时");
    add(128, "Delay", K::Edit, R(504, 252, 600, 280));
    add(129, "Delay Up", K::Arrow, R(602, 252, 620, 266), "up");
    add(130, "Delay Down", K::Arrow, R(602, 266, 620, 280), "down");
    add(131, "Sel Delay 50ms", K::Check, R(384, 288, 600, 316), "延时 50 毫秒");
    add(132, "Select All", K::Button, R(384, 330, 496, 360), "全选");
    add(133, "Select None", K::Button, R(504, 330, 616, 360), "全不选");
    add(134, "Delete", K::Button, R(624, 330, 736, 360), "删除");
    add(135, "Copy", K::Button, R(384, 368, 496, 398), "复制");
    add(136, "Insert", K::Button, R(504, 368, 616, 398), "插入");
    add(137, "Edit Key", K::Button, R(624, 368, 736, 398), "修改按键");
    add(138, "UpPage", K::Button, R(384, 406, 496, 436), "上移");
    add(139, "DownPage", K::Button, R(504, 406, 616, 436), "下移");
    add(140, "Cancel", K::Button, kPageCancel, "取消");
    add(141, "Apply", K::Primary, kPageApply, "应用");
    add(142, "Back", K::Button, kPageBack, "返回");
    add(143, "Default", K::Button, kPageDefault, "默认");
    add(144, "Count", K::Text, R(624, 406, 736, 436));
    // The event list's scroll control: its track is a whole image, the pieces come from
    // "Scroll_Down.png" (normal look) and "Scroll_Over.png" (pressed look).
    add(145, "Scroll Track", K::Track, R(0, 0, 16, 240));
    add(146, "Scroll Up", K::Arrow, R(0, 0, 16, 16), "up");
    add(147, "Scroll Down", K::Arrow, R(0, 16, 16, 32), "down");
    add(148, "Scroll Thumb", K::Thumb, R(0, 32, 16, 72));

    // Light settings page: the two lights' discs and R/G/B edits at the left, the drop-downs at
    // the right; the page draws its preview between them.
    add(153, "Min", K::Minimize, kPageMin);
    add(154, "Close", K::Close, kPageClose);
    static const char* const kLightCombos[] = {"Lights",      "Mode",     "Speed",
                                               "Mouse Saver", "Strength", "Kesta Color"};
    for (int i = 0; i < 6; ++i) {
        add(155 + i, kLightCombos[i], K::Combo, R(580, 96 + i * 46, 736, 126 + i * 46));
    }
    add(161, "Wheel Colour", K::Logo, R(46, 94, 139, 186), "palette");
    add(162, "Logo Colour", K::Logo, R(46, 213, 139, 305), "palette");
    static const char* const kChannels[] = {"Red 1", "Green 1", "Blue 1",
                                            "Red 2", "Green 2", "Blue 2"};
    for (int i = 0; i < 6; ++i) {
        const int top = (i < 3 ? 94 : 213) + (i % 3) * 32;
        add(163 + i, kChannels[i], K::Edit, R(186, top, 246, top + 28));
    }
    add(169, "wheel tooltip", K::Button, R(258, 96, 282, 120), "?");
    add(170, "logo tooltip", K::Button, R(258, 215, 282, 239), "?");
    add(171, "Back", K::Button, kPageBack, "返回");
    add(172, "Default", K::Button, kPageDefault, "默认");
    add(173, "Cancel", K::Button, kPageCancel, "取消");
    add(174, "Apply", K::Primary, kPageApply, "应用");

    // Support page.
    add(176, "Min", K::Minimize, kPageMin);
    add(177, "Close", K::Close, kPageClose);
    add(178, "Back", K::Button, kPageBack, "返回");
    add(179, "Software Version", K::Text, R(180, 92, 300, 124));
    add(180, "Firmware Version", K::Text, R(180, 140, 300, 172));
    add(181, "Update Software", K::Button, R(320, 92, 420, 124), "更新");
    add(182, "Update Firmware", K::Button, R(320, 140, 420, 172), "更新");
    add(183, "Email", K::Button, R(40, 250, 240, 284), "联系销售");
    add(184, "support url", K::Button, R(260, 250, 460, 284), "访问官方网站");

    // Message popups: Close, NO, Yes (notices have no NO).
    for (int first : {185, 189, 194, 198, 202, 206, 282, 286}) {
        add(first + 1, "Close", K::Close, kMessageClose);
        add(first + 2, "NO", K::Button, kMessageNo, "否");
        add(first + 3, "Yes", K::Primary, kMessageYes, "是");
    }
    add(290, "Version", K::Text, kMessageVersion);
    for (int first : {291, 294, 297}) {
        add(first + 1, "Close", K::Close, kMessageClose);
        add(first + 2, "Yes", K::Primary, kMessageYes, "确定");
    }

    // Library popups.
    add(211, "Close", K::Close, kLibClose);
    add(212, "Name", K::Edit, R(110, 200, 300, 232));
    add(213, "Delete", K::Button, R(312, 200, 402, 232), "删除");
    add(214, "Import", K::Button, R(414, 200, 504, 232), "导入");
    add(215, "Cancel", K::Button, kLibCancel, "取消");
    add(216, "Save", K::Primary, kLibSave, "储存");
    // The five modifier toggles: "None" is on exactly when no other one is.
    add(217, "None", K::Check, R(110, 100, 182, 132), "无");
    add(218, "Ctrl", K::Check, R(190, 100, 262, 132), "Ctrl");
    add(219, "Shift", K::Check, R(270, 100, 342, 132), "Shift");
    add(220, "Alt", K::Check, R(350, 100, 422, 132), "Alt");
    add(221, "Win", K::Check, R(430, 100, 502, 132), "Win");
    add(222, "Key", K::Text, R(110, 142, 504, 174));

    add(224, "Close", K::Close, kLibClose);
    add(225, "Name", K::Edit, R(110, 150, 300, 182));
    add(226, "Delete", K::Button, R(312, 150, 402, 182), "删除");
    add(227, "Import", K::Button, R(414, 150, 504, 182), "导入");
    add(228, "Cancel", K::Button, kLibCancel, "取消");
    add(229, "Save", K::Primary, kLibSave, "储存");
    add(230, "Key", K::Text, R(110, 100, 504, 132));

    add(232, "Close", K::Close, kLibClose);
    add(233, "Target", K::Edit, R(110, 100, 402, 132));
    add(234, "Open", K::Button, R(414, 100, 504, 132), "浏览");
    add(235, "Name", K::Edit, R(110, 150, 300, 182));
    add(236, "Delete", K::Button, R(312, 150, 402, 182), "删除");
    add(237, "Import", K::Button, R(414, 150, 504, 182), "导入");
    add(238, "Cancel", K::Button, kLibCancel, "取消");
    add(239, "Save", K::Primary, kLibSave, "储存");

    add(241, "Close", K::Close, R(524, 10, 550, 36));
    add(242, "Text", K::Edit, R(24, 80, 536, 200));
    add(243, "Name", K::Edit, R(110, 214, 330, 246));
    add(244, "Delete", K::Button, R(342, 214, 436, 246), "删除");
    add(245, "Import", K::Button, R(442, 214, 536, 246), "导入");
    add(246, "Cancel", K::Button, R(324, 290, 424, 322), "取消");
    add(247, "Save", K::Primary, R(436, 290, 536, 322), "储存");

    // Firmware updater views.
    for (int first : {248, 251, 270}) {
        add(first + 1, "OK", K::Primary, kUpdaterOk, "确定");
        add(first + 2, "Close", K::Close, kUpdaterClose);
    }
    add(255, "OK", K::Primary, kUpdaterOk, "确定");
    add(256, "Close", K::Close, kUpdaterClose);
    add(257, "Mouse FWVersion", K::Text, kUpdaterMouseVersion);
    for (int first : {258, 264}) {
        add(first + 1, "OK", K::Primary, kUpdaterOk, "更新");
        add(first + 2, "Cancel", K::Button, kUpdaterCancel, "取消");
        add(first + 3, "Close", K::Close, kUpdaterClose);
        add(first + 4, "Mouse FWVersion", K::Text, kUpdaterMouseVersion);
        add(first + 5, "File FWVersion", K::Text, kUpdaterFileVersion);
    }
    add(274, "Close", K::Close, kUpdaterClose);
    add(276, "Cancel", K::Button, kUpdaterOk, "完成");
    add(277, "Close", K::Close, kUpdaterClose);
    add(278, "Mouse FWVersion", K::Text, kUpdaterMouseVersion);
    add(280, "Progress", K::Progress, R(40, 150, 440, 174));
    add(281, "Close", K::Close, kUpdaterClose);

    std::sort(e.begin(), e.end(),
              [](const SkinElement& a, const SkinElement& b) { return a.element < b.element; });
    return e;
}

std::vector<SkinCaption> BuildCaptions() {
    std::vector<SkinCaption> c;
    auto add = [&](int family, QRect r, const char* text, int role = 0) {
        c.push_back({family, r, text, role});
    };
    add(0, R(28, 74, 400, 98), "配置文件", 3);

    add(20, R(40, 84, 170, 116), "软件版本");
    add(20, R(40, 128, 170, 160), "固件版本");
    add(20, R(40, 240, 400, 264), "数据存储位置", 3);
    add(20, R(40, 356, 400, 380), "恢复出厂设置", 3);
    add(20, R(240, 386, 736, 418), "清除鼠标中的所有配置、按键与巨集", 0);

    static const char* const kButtonCaptions[] = {"按键 1  左键", "按键 2  右键", "按键 3  中键",
                                                  "按键 4  前进", "按键 5  后退", "按键 6  CPI +",
                                                  "按键 7  CPI -"};
    for (int i = 0; i < 7; ++i) add(36, R(330, 80 + i * 52, 462, 114 + i * 52), kButtonCaptions[i]);

    add(50, R(40, 66, 400, 88), "指针", 3);
    add(50, R(40, 92, 150, 114), "指针移动速度");
    add(50, R(40, 130, 240, 158), "鼠标加速");
    add(50, R(40, 166, 240, 194), "自动将光标移至默认按钮");
    add(50, R(40, 206, 400, 230), "滚轮", 3);
    add(50, R(40, 320, 400, 344), "双击", 3);
    add(50, R(40, 352, 150, 374), "双击速度");
    // The two sliders' ends, beside their tracks.
    add(50, R(156, 92, 176, 114), "慢", 0);
    add(50, R(486, 92, 506, 114), "快", 0);
    add(50, R(156, 352, 176, 374), "慢", 0);
    add(50, R(486, 352, 506, 374), "快", 0);
    add(50, R(520, 428, 736, 452), "双击 Q 测试速度");

    add(71, R(40, 72, 140, 102), "CPI 阶数");
    for (int step = 0; step < 3; ++step) {
        static const char* const kStep[] = {"阶段 1", "阶段 2", "阶段 3"};
        const int top = 126 + step * 46;
        add(71, R(40, top, 100, top + 32), kStep[step]);
    }
    add(71, R(110, 104, 200, 124), "X", 0);
    add(71, R(250, 104, 340, 124), "Y", 0);
    add(71, R(40, 268, 368, 292), "按鼠标的 CPI+ / CPI- 键在阶段间切换");
    add(71, R(400, 72, 480, 102), "角度校正");
    add(71, R(400, 118, 480, 148), "抬起高度");
    add(71, R(400, 164, 496, 194), "USB 刷新率");
    add(71, R(400, 210, 496, 240), "平滑");
    add(71, R(400, 256, 496, 286), "表面校正");

    add(112, R(384, 60, 736, 80), "重复方式", 3);
    add(112, R(624, 252, 700, 280), "毫秒");

    add(152, R(32, 64, 300, 88), "滚轮灯");
    add(152, R(32, 188, 300, 210), "标志灯");
    for (int light = 0; light < 2; ++light) {
        static const char* const kRgb[] = {"R", "G", "B"};
        for (int channel = 0; channel < 3; ++channel) {
            const int top = (light == 0 ? 94 : 213) + channel * 32;
            add(152, R(160, top, 182, top + 28), kRgb[channel]);
        }
    }
    add(152, R(324, 64, 464, 88), "效果预览");
    add(152, R(480, 62, 736, 86), "背光设置", 3);
    static const char* const kLightCaptions[] = {"灯光开关", "背光模式", "跳动速度",
                                                 "省电睡眠", "亮度",     "Kesta 同色"};
    for (int i = 0; i < 6; ++i) add(152, R(480, 96 + i * 46, 576, 126 + i * 46), kLightCaptions[i]);

    add(175, R(40, 60, 400, 82), "版本信息", 3);
    add(175, R(40, 92, 170, 124), "软件版本");
    add(175, R(40, 140, 170, 172), "固件版本");
    add(175, R(40, 214, 500, 240), "联系我们", 3);

    // Message popups carry their message in the picture.
    add(185, R(96, 72, 420, 120), "确定要将当前的设置恢复为默认值吗？", 1);
    add(189, R(96, 72, 420, 120), "将清除鼠标中的所有配置与巨集。\n确定要恢复出厂设置吗？", 1);
    add(194, R(96, 72, 420, 120), "确定要将所有按键恢复为默认功能吗？", 1);
    add(198, R(96, 72, 420, 120), "确定要将背光设置恢复为默认值吗？", 1);
    add(202, R(96, 72, 420, 120), "确定要将进阶设置恢复为默认值吗？", 1);
    add(206, R(96, 72, 420, 120), "确定要将基础设置恢复为默认值吗？", 1);
    add(282, R(96, 72, 420, 120), "当前页面的设置已更改。\n是否保存并应用这些更改？", 1);
    add(286, R(96, 72, 420, 120), "发现新版本的固件，是否立即更新？", 1);
    add(286, R(96, 140, 136, 170), "版本", 0);
    add(291, R(96, 72, 420, 120), "表面校准已完成。\n鼠标已按当前表面调整到最佳设置。", 1);
    add(294, R(96, 72, 420, 120), "至少要保留一个按键为“左击”功能，\n此按键不能重新指派。", 1);
    add(297, R(96, 72, 420, 120), "未找到鼠标。\n请确认鼠标已连接到电脑的 USB 接口。", 1);

    add(210, R(16, 60, 504, 90), "按下要使用的组合键，最多四个修饰键加一个按键", 0);
    add(210, R(16, 100, 104, 132), "修饰键");
    add(210, R(16, 142, 104, 174), "按键");
    add(210, R(16, 200, 104, 232), "名称");
    add(223, R(16, 60, 504, 90), "在键盘上按下要指派给鼠标按键的按键", 0);
    add(223, R(16, 100, 104, 132), "按键");
    add(223, R(16, 150, 104, 182), "名称");
    add(231, R(16, 60, 504, 90), "选择文件、文件夹、程序，或输入网址", 0);
    add(231, R(16, 100, 104, 132), "目标");
    add(231, R(16, 150, 104, 182), "名称");
    add(240, R(24, 52, 536, 76), "输入按下鼠标按键时要输入的文字（最多 100 字）", 0);
    add(240, R(24, 214, 104, 246), "名称");

    // Firmware updater views.
    add(248, R(96, 72, 460, 120), "固件文件有误或已损坏。\n请重新下载固件更新包。", 1);
    add(251, R(96, 72, 460, 120), "未找到鼠标。\n请连接鼠标后再试一次。", 1);
    add(254, R(96, 72, 460, 120), "鼠标的固件已是最新版本。", 1);
    add(254, R(40, 138, 176, 166), "鼠标固件版本");
    add(258, R(96, 72, 460, 120), "鼠标的固件比更新文件的版本更新。\n仍要写入此版本吗？", 1);
    add(264, R(96, 72, 460, 120), "有可用的固件更新。\n是否立即更新鼠标固件？", 1);
    for (int f : {258, 264}) {
        add(f, R(40, 138, 176, 166), "鼠标固件版本");
        add(f, R(40, 174, 176, 202), "更新文件版本");
    }
    add(270, R(96, 72, 460, 120), "更新过程中遇到问题。\n请重新插拔鼠标后再试一次。", 1);
    add(273, R(96, 72, 460, 120), "固件写入完成。\n鼠标正在重新启动，请稍候…", 1);
    add(275, R(96, 72, 460, 120), "固件更新成功！", 1);
    add(275, R(40, 138, 176, 166), "鼠标固件版本");
    add(279, R(40, 90, 440, 140), "正在更新固件，请勿拔出鼠标…", 1);
    return c;
}

const std::vector<SkinElement>& Elements() {
    static const std::vector<SkinElement> kElements = BuildElements();
    return kElements;
}

constexpr std::array<const char*, 120> kFileNames = {
    "Firmware incorrect Normal.png",
    "Firmware incorrect Over.png",
    "Firmware incorrect Down.png",
    "LMain_Normal.png",
    "LMain_Over.png",
    "LMain_Down.png",
    "LMain_Off.png",
    "LAdvancedSettings_Normal.png",
    "LAdvancedSettings_Over.png",
    "LAdvancedSettings_Down.png",
    "LAdvancedSettings_Off.png",
    "LCan not find Normal.png",
    "LCan not find Over.png",
    "LCan not find Down.png",
    "LFirmware up to date Normal.png",
    "LFirmware up to date Over.png",
    "LFirmware up to date Down.png",
    "LFirmware Newer Normal.png",
    "LFirmware Newer Over.png",
    "LFirmware Newer Down.png",
    "LUpdate firmware Normal.png",
    "LUpdate firmware Over.png",
    "LUpdate firmware Down.png",
    "Lencountered problem Normal.png",
    "Lencountered problem Over.png",
    "Lencountered problem Down.png",
    "LUpdate Completed Nomal.png",
    "LUpdate Completed Over.png",
    "LFirmware updateStart Normal.png",
    "LFirmware updateFull Over.png",
    "LSuccessfully update Normal.png",
    "LSuccessfully update Over.png",
    "LSuccessfully update Down.png",
    "LDeviceNotFound_Normal.png",
    "LDeviceNotFound_Over.png",
    "LDeviceNotFound_Down.png",
    "SystemSettings_Normal.png",
    "SystemSettings_Over.png",
    "SystemSettings_Down.png",
    "SystemSettings_Off.png",
    "ButtonAssignment_Normal.png",
    "ButtonAssignment_Over.png",
    "ButtonAssignment_Down.png",
    "ButtonAssignment_Off.png",
    "BasicSettings_Normal.png",
    "BasicSettings_Over.png",
    "BasicSettings_Down.png",
    "BasicSettings_Off.png",
    "MacroRecording_Normal.png",
    "MacroRecording_Over.png",
    "MacroRecording_Down.png",
    "MacroRecording_Off.png",
    "Scroll_Normal.png",
    "Scroll_Over.png",
    "Scroll_Down.png",
    "LightSettings_Normal.png",
    "LightSettings_Over.png",
    "LightSettings_Down.png",
    "LightSettings_Off.png",
    "Support_Normal.png",
    "Support_Over.png",
    "Support_Down.png",
    "Support_Off.png",
    "SystemMessage_Normal.png",
    "SystemMessage_Over.png",
    "SystemMessage_Down.png",
    "SystemMessage_Off.png",
    "slider_Normal.png",
    "slider_Over.png",
    "CustomHotkeys_Normal.png",
    "CustomHotkeys_Over.png",
    "CustomHotkeys_Down.png",
    "CustomHotkeys_Off.png",
    "BindaKey_Normal.png",
    "BindaKey_Over.png",
    "BindaKey_Down.png",
    "BindaKey_Off.png",
    "ShortCut_Normal.png",
    "ShortCut_Over.png",
    "ShortCut_Down.png",
    "ShortCut_Off.png",
    "TextBlock_Normal.png",
    "TextBlock_Over.png",
    "TextBlock_Down.png",
    "TextBlock_Off.png",
    "ActionUp_Normal.png",
    "ActionUp_Over.png",
    "ActionUp_Down.png",
    "ActionDown_Normal.png",
    "ActionDown_Over.png",
    "ActionDown_Down.png",
    "ActionDelayTime_Normal.png",
    "ActionDelayTime_Down.png",
    "Data Changed Normal.png",
    "Data Changed Over.png",
    "Data Changed Down.png",
    "FactoryDefault_Normal.png",
    "FactoryDefault_Over.png",
    "FactoryDefault_Down.png",
    "ButtonDefault_Normal.png",
    "ButtonDefault_Over.png",
    "ButtonDefault_Down.png",
    "LEDDefault_Normal.png",
    "LEDDefault_Over.png",
    "LEDDefault_Down.png",
    "ADDefault_Normal.png",
    "ADDefault_Over.png",
    "ADDefault_Down.png",
    "BasicDefault_Normal.png",
    "BasicDefault_Over.png",
    "BasicDefault_Down.png",
    "CheckStart_Normal.png",
    "CheckStart_Over.png",
    "CheckStart_Down.png",
    "Calibrate_Normal.png",
    "Calibrate_Over.png",
    "Calibrate_Down.png",
    "LeftClick_Normal.png",
    "LeftClick_Over.png",
    "LeftClick_Down.png",
};

}  // namespace

std::span<const SkinFamily> SkinFamilies() {
    return kFamilies;
}
std::span<const SkinElement> SkinElements() {
    return Elements();
}

std::span<const SkinCaption> SkinCaptions() {
    static const std::vector<SkinCaption> kCaptions = BuildCaptions();
    return kCaptions;
}

std::span<const char* const> SkinFileNames() {
    return kFileNames;
}

const SkinFamily* FamilyOf(int element) {
    for (const SkinFamily& f : kFamilies) {
        if (!f.Holds(element)) continue;
        if (f.first == 50 && (element == 54 || element == 55)) return nullptr;
        return &f;
    }
    return nullptr;
}

const SkinElement* FindElement(int element) {
    const auto& all = Elements();
    auto it = std::lower_bound(all.begin(), all.end(), element,
                               [](const SkinElement& e, int n) { return e.element < n; });
    return it != all.end() && it->element == element ? &*it : nullptr;
}

int ElementNamed(int family, const char* name) {
    const SkinFamily* f = FamilyOf(family);
    if (!f || !name) return -1;
    for (const SkinElement& e : Elements()) {
        if (e.element != f->first && f->Holds(e.element) && std::strcmp(e.name, name) == 0) {
            return e.element;
        }
    }
    return -1;
}

QRect ElementRect(int element) {
    const SkinElement* e = FindElement(element);
    return e ? e->rect : QRect();
}

bool IsWholeImageElement(int element) {
    return element == 0 || element == 54 || element == 55 || element == 145;
}

QString SkinFileFor(int element, int state) {
    if (state < kStateNormal || state > kStateOff) return {};
    if (element == 54) return QStringLiteral("slider_Normal.png");
    if (element == 55) return QStringLiteral("slider_Over.png");
    if (element == 145) return QStringLiteral("Scroll_Normal.png");
    if (element >= 146 && element <= 148) {
        if (state == kStateNormal) return QStringLiteral("Scroll_Down.png");
        if (state == kStateOver) return QStringLiteral("Scroll_Over.png");
        return {};
    }
    const SkinFamily* f = FamilyOf(element);
    if (!f) return {};
    if (element == f->first) state = kStateNormal;
    const QString stem = QString::fromUtf8(f->stem);
    if (f->first == 273) {
        if (state == kStateNormal) return stem + QStringLiteral(" Nomal.png");
        if (state == kStateOver) return stem + QStringLiteral(" Over.png");
        return {};
    }
    if (f->first == 279) {
        if (state == kStateNormal) return stem + QStringLiteral("Start Normal.png");
        if (state == kStateOver) return stem + QStringLiteral("Full Over.png");
        return {};
    }
    if (state >= f->states) return {};
    static const char* const kStateNames[] = {"Normal", "Over", "Down", "Off"};
    return stem + (f->spaced ? QStringLiteral(" ") : QStringLiteral("_")) +
           QString::fromLatin1(kStateNames[state]) + QStringLiteral(".png");
}

}  // namespace z7
