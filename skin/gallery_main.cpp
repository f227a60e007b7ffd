// The skin gallery: every skinned control in every state, every window laid out from the layout
// table, every message popup and updater view.
//   z7-gallery                      browse interactively
//   z7-gallery --screenshots DIR    write one PNG per view into DIR and quit
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <functional>
#include <map>

#include "gui/ui/message_popup.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_controls.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_menu.h"
#include "gui/ui/skin_style.h"
#include "gui/ui/title_tip.h"

namespace z7 {
namespace {
using K = ElementKind;

QString U(const char* text) {
    return QString::fromUtf8(text);
}

void Pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void SendMouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons) {
    QMouseEvent event(type, pos, QPointF(w->mapToGlobal(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}
void Hover(QWidget* w) {
    SendMouse(w, QEvent::MouseMove, QRectF(w->rect()).center(), {});
}
void Press(QWidget* w) {
    SendMouse(w, QEvent::MouseButtonPress, QRectF(w->rect()).center(), Qt::LeftButton);
}
void Click(QWidget* w) {
    Press(w);
    SendMouse(w, QEvent::MouseButtonRelease, QRectF(w->rect()).center(), {});
}

// Sample contents, so that every window shows what it will look like in use.
QString SampleText(int family, const QString& name) {
    static const std::map<QString, const char*> kTexts = {
        {"Software Version", "V1.00"},
        {"Firmware Version", "V1.05"},
        {"Mouse FWVersion", "V1.03"},
        {"File FWVersion", "V1.05"},
        {"Version", "V1.05"},
        {"Key", "F5"},
        {"Modifier 1", "CTRL+"},
        {"Modifier 2", "Alt+"},
        {"Profile Name", "我的配置"},
        {"Data Path", "/home/user/.local/share/Kesta/Z7 Laser"},
        {"Macro Name", "连招 1"},
        {"Repeat Count", "3"},
        {"Delay", "50"},
        {"Lines", "3"},
        {"Target", "https://www.example.com"},
        {"Name", "我的快捷键"},
        {"Text", "你好，这是一段会被鼠标按键输入的文字。"},
        {"Snap Bar", "0"},
        {"Tune Bar", "0"},
        {"LOD Bar", "6"},
        {"Change CPI 1", "阶段 2"},
        {"Change CPI 2", "阶段 3"},
        {"Count", "12"},
        {"Hint", "点击窗口空白处重新开始录入"},
        {"Wheel R", "255"},
        {"Wheel G", "122"},
        {"Wheel B", "46"},
        {"Logo R", "0"},
        {"Logo G", "170"},
        {"Logo B", "255"},
    };
    if (name.startsWith(QLatin1String("Step "))) {
        static const char* const kCpi[] = {"800", "800", "1600", "1600", "3200", "3200"};
        const int step = name.mid(5, 1).toInt() - 1;
        return U(kCpi[step * 2 + (name.endsWith(QLatin1Char('Y')) ? 1 : 0)]);
    }
    if (family == 231 && name == QLatin1String("Name")) return U("打开浏览器");
    if (family == 240 && name == QLatin1String("Name")) return U("签名");
    const auto it = kTexts.find(name);
    return it == kTexts.end() ? QString() : U(it->second);
}

QStringList SampleItems(const QString& name) {
    static const std::map<QString, QStringList> kItems = {
        {"Steps", {"1", "2", "3"}},
        {"Polling Rate", {"125 Hz", "250 Hz", "500 Hz", "1000 Hz"}},
        {"Profile", {"出厂配置", "配置 1", "配置 2", "配置 3", "配置 4", "新建配置"}},
        {"Effect", {"常亮", "呼吸", "跳动", "关闭"}},
        {"Speed", {"慢", "中", "快"}},
        {"Sleep", {"1 分钟", "5 分钟", "10 分钟", "从不"}},
        {"Surface Calibrate", {"自动", "手动"}},
        {"Share", {"分享到社交媒体"}},
    };
    const auto it = kItems.find(name);
    if (it != kItems.end()) return it->second;
    return {U("打开"), U("关闭")};
}

// Paints a few rows of a recorded macro the way the event list shows them.
class EventListPreview : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QImage down = ProgramSkin().Sheet(QStringLiteral("ActionDown_Normal.png"));
        const QImage up = ProgramSkin().Sheet(QStringLiteral("ActionUp_Normal.png"));
        const QImage delay = ProgramSkin().Sheet(QStringLiteral("ActionDelayTime_Normal.png"));
        const char* const keys[] = {"Ctrl", "C", "C", "Ctrl", "鼠标左键", "鼠标左键"};
        p.setFont(SkinFont(14));
        for (int i = 0; i < 6; ++i) {
            const QRect row(0, i * 28, width(), 28);
            if (i == 1) p.fillRect(row, skin::kRaised);
            const bool pressed = i == 0 || i == 1 || i == 4;
            p.drawImage(QPoint(8, row.top() + 4), pressed ? down : up);
            p.setPen(skin::kText);
            p.drawText(row.adjusted(36, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       U(keys[i]) + (pressed ? U(" 按下") : U(" 放开")));
            p.drawImage(QPoint(width() - 80, row.top() + 4), delay);
            p.drawText(row.adjusted(0, 0, -10, 0), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(i == 3 ? 120 : 50));
        }
    }
};

// One window of the program built from the layout table alone.
class GalleryWindow : public SkinWindow {
  public:
    GalleryWindow(int family, QWidget* parent) : SkinWindow(parent) {
        setWindowTitle(U(FamilyOf(family)->title));
        SetBackground(SkinPart(family, kStateNormal));
        for (const SkinElement& e : SkinElements()) {
            const SkinFamily* f = FamilyOf(e.element);
            if (!f || f->first != family || e.element == family) continue;
            if (QWidget* w = Make(family, e)) {
                w->setGeometry(e.rect);
                controls_[e.element] = w;
            }
        }
    }
    QWidget* Control(int element) const {
        const auto it = controls_.find(element);
        return it == controls_.end() ? nullptr : it->second;
    }

  private:
    QWidget* Make(int family, const SkinElement& e) {
        const QString name = U(e.name);
        const QString sample = SampleText(family, name);
        switch (e.kind) {
            case K::Background:
                return nullptr;
            case K::Check: {
                auto* box = new SkinCheckBox(e.element, this);
                box->SetSkinElement(e.element);
                box->SetChecked(e.element % 2 == 1);
                return box;
            }
            case K::Combo: {
                SkinComboButton* combo = family == 36 ? new ButtonFunctionCombo(e.element, this)
                                                      : new SkinComboButton(e.element, this);
                combo->resize(e.rect.size());
                combo->SetSkinElement(e.element);
                if (family == 36) {
                    auto* bn = static_cast<ButtonFunctionCombo*>(combo);
                    static const char* const kFactory[] = {"左击", "右击",  "中键", "前进",
                                                           "后退", "CPI +", "CPI -"};
                    bn->AddItem(1, U("出厂值"));
                    bn->AddItem(2100, U("鼠标功能"));
                    bn->AddSubItem(2100, 2101, U("左击"));
                    bn->AddSubItem(2100, 2102, U("右击"));
                    bn->AddSubItem(2100, 2103, U("中键"));
                    bn->AddSubItem(2100, 2105, U("前进"));
                    bn->AddSubItem(2100, 2106, U("后退"));
                    bn->AddItem(2700, U("Windows 快捷键"));
                    for (int id = 2701; id <= 2714; ++id) {
                        bn->AddSubItem(2700, id, QStringLiteral("Hotkey %1").arg(id - 2700));
                    }
                    bn->AddItem(1000, U("指派按键"));
                    bn->AddSubItem(1000, 1001, U("设置"));
                    bn->AddItem(3000, U("巨集"));
                    bn->AddSubItem(3000, 3001, U("连招 1"));
                    bn->AddItem(4000, U("禁用"), 0, false);
                    const int index = e.element - 39;
                    bn->SetText(index == 5 ? U("复制") : U(kFactory[index]));
                } else {
                    const QStringList items = SampleItems(name);
                    for (int i = 0; i < items.size(); ++i) combo->AddItem(i + 1, items[i]);
                    combo->SelectItem(name == QLatin1String("Share") ? 1
                                      : items.size() > 2             ? 2
                                                                     : 1);
                    if (name == QLatin1String("Share")) combo->SetUpward(true);
                }
                return combo;
            }
            case K::Edit: {
                if (family == 240 && name == QLatin1String("Text")) {
                    auto* edit = new SkinTextEdit(e.element, this);
                    edit->SetBackground(SkinPart(e.element, kStateNormal));
                    edit->SetFixedFont();
                    edit->setPlainText(sample);
                    return edit;
                }
                auto* edit = new SkinLineEdit(e.element, this);
                edit->SetBackground(SkinPart(e.element, kStateNormal));
                edit->setText(sample);
                if (family == 71 || family == 152) edit->setAlignment(Qt::AlignCenter);
                return edit;
            }
            case K::Text: {
                auto* label = new SkinLabel(e.element, this);
                label->SetBackground(SkinPart(e.element, kStateNormal));
                label->SetFontHeight(15);
                label->SetColors(Qt::transparent, skin::kText);
                if (!sample.isEmpty()) label->SetText(sample);
                return label;
            }
            case K::Track: {
                auto* slider = new SkinSlider(e.element, this);
                const QImage thumb = SkinPart(54, kStateNormal);
                slider->SetPictures(SkinPart(e.element, kStateNormal), thumb,
                                    SkinPart(55, kStateNormal));
                slider->SetRange(0, 10);
                slider->SetPos(e.element % 7 + 2);
                // The thumb is taller than the groove: centre the control on the groove.
                QRect r = e.rect;
                r.setTop(r.center().y() - thumb.height() / 2);
                r.setHeight(thumb.height());
                // Placed here, not by the caller, because of the taller thumb.
                controls_[e.element] = slider;
                slider->setGeometry(r);
                return nullptr;
            }
            case K::List: {
                auto* list = new SkinLabel(e.element, this);
                list->SetBackground(SkinPart(e.element, kStateNormal));
                auto* rows = new EventListPreview(list);
                rows->setGeometry(1, 30, e.rect.width() - 20, e.rect.height() - 32);
                auto* scroll = new SkinScrollBar(1085, list);
                scroll->SetSkinPictures();
                scroll->setGeometry(e.rect.width() - 18, 30, 16, e.rect.height() - 32);
                scroll->SetRange(0, 40);
                scroll->SetPos(8);
                return list;
            }
            case K::Progress: {
                auto* bar = new SkinProgressBar(this);
                bar->SetPictures(SkinPart(e.element, kStateNormal),
                                 SkinPart(e.element, kStateOver));
                bar->SetPos(60);
                return bar;
            }
            case K::Button:
                if (family == 50 && name == QLatin1String("Double Click Test")) {
                    auto* test = new DoubleClickTestArea(e.element, this);
                    test->SetSkinElement(e.element);
                    return test;
                }
                [[fallthrough]];
            default: {
                if (QByteArray(e.label) == "palette") {
                    auto* wheel = new SkinLabel(e.element, this);
                    wheel->SetBackground(SkinPart(e.element, kStateNormal));
                    return wheel;
                }
                auto* button = new SkinButton(e.element, this);
                button->SetSkinElement(e.element);
                return button;
            }
        }
    }

    std::map<int, QWidget*> controls_;
};

// Every control kind in its four looks: normal, pointer over, pressed (or checked), disabled.
class StatesWindow : public QWidget {
  public:
    StatesWindow() {
        setWindowTitle(U("控件状态"));
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, skin::kSurface);
        pal.setColor(QPalette::WindowText, skin::kTextDim);
        setPalette(pal);
        auto* grid = new QGridLayout(this);
        grid->setHorizontalSpacing(28);
        grid->setVerticalSpacing(14);
        grid->setContentsMargins(24, 20, 24, 24);
        const char* const heads[] = {"常态 Normal", "悬停 Over", "按下 Down", "禁用 Off"};
        for (int c = 0; c < 4; ++c) grid->addWidget(Caption(U(heads[c]), true), 0, c + 1);
        int row = 1;
        auto addRow = [&](const char* title, const std::function<QWidget*(int)>& make) {
            grid->addWidget(Caption(U(title), false), row, 0);
            for (int state = 0; state < 4; ++state) {
                QWidget* w = make(state);
                grid->addWidget(w, row, state + 1, Qt::AlignLeft | Qt::AlignVCenter);
                pending_.push_back({w, state});
            }
            ++row;
        };
        auto sized = [](QWidget* w, int element) {
            w->setFixedSize(ElementRect(element).size());
            return w;
        };
        addRow("SkinButton", [&](int) {
            auto* b = new SkinButton(34, this);
            b->SetSkinElement(34);
            return sized(b, 34);
        });
        addRow("SkinButton (确认)", [&](int) {
            auto* b = new SkinButton(35, this);
            b->SetSkinElement(35);
            return sized(b, 35);
        });
        addRow("SkinButton (标题栏)", [&](int) {
            auto* holder = new QWidget(this);
            holder->setFixedSize(64, 28);
            auto* min = new SkinButton(21, holder);
            min->SetSkinElement(21);
            min->setGeometry(0, 0, 28, 28);
            auto* close = new SkinButton(22, holder);
            close->SetSkinElement(22);
            close->setGeometry(36, 0, 28, 28);
            return holder;
        });
        addRow("SkinCheckBox", [&](int) {
            auto* b = new SkinCheckBox(27, this);
            b->SetSkinElement(27);
            b->setFixedSize(ElementRect(27).size());
            return b;
        });
        addRow("SkinComboButton", [&](int) {
            auto* c = new SkinComboButton(13, this);
            c->setFixedSize(ElementRect(13).size());
            c->SetSkinElement(13);
            c->AddItem(1, U("配置 1"));
            c->SelectItem(1);
            return c;
        });
        addRow("SkinLineEdit", [&](int state) {
            auto* e = new SkinLineEdit(14, this);
            e->SetBackground(SkinPart(14, state));
            e->setText(U("我的配置"));
            e->setFixedSize(ElementRect(14).size());
            return e;
        });
        addRow("SkinSlider", [&](int) {
            auto* s = new SkinSlider(53, this);
            s->SetPictures(SkinPart(53, 0), SkinPart(54, 0), SkinPart(55, 0));
            s->setFixedSize(220, 24);
            s->SetPos(40);
            return s;
        });
        addRow("SkinButton (箭头)", [&](int) {
            auto* holder = new QWidget(this);
            holder->setFixedSize(20, 32);
            auto* up = new SkinButton(81, holder);
            up->SetSkinElement(81);
            up->setGeometry(0, 0, 20, 16);
            auto* down = new SkinButton(82, holder);
            down->SetSkinElement(82);
            down->setGeometry(0, 16, 20, 16);
            return holder;
        });
        addRow("DoubleClickTestArea (双击)", [&](int) {
            auto* t = new DoubleClickTestArea(66, this);
            t->SetSkinElement(66);
            t->setFixedSize(64, 64);
            return t;
        });
        addRow("SkinLabel", [&](int state) {
            auto* s = new SkinLabel(25, this);
            s->SetBackground(SkinPart(25, 0));
            s->SetColors(Qt::transparent, skin::kText);
            s->SetText(state == 3 ? U("-.--") : U("V1.05"));
            s->setFixedSize(ElementRect(25).size());
            return s;
        });
        addRow("SkinProgressBar", [&](int state) {
            auto* p = new SkinProgressBar(this);
            p->SetPictures(SkinPart(280, 0), SkinPart(280, 1));
            p->SetPos(state * 33 + 1);
            p->setFixedSize(220, 20);
            return p;
        });
        addRow("SkinScrollBar", [&](int state) {
            auto* s = new SkinScrollBar(1085, this);
            s->SetSkinPictures();
            s->setFixedSize(16, 96);
            s->SetPos(state * 33);
            return s;
        });
    }

    // Puts each sample into its column's look; called once the window is on screen.
    void ApplyStates() {
        for (const auto& [w, state] : pending_) {
            // Plain holders group several controls; everything else is the control itself.
            QList<QWidget*> targets{w};
            if (w->metaObject() == &QWidget::staticMetaObject) {
                targets = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            }
            for (QWidget* t : targets) {
                if (state == kStateOver) Hover(t);
                if (state == kStateDown) {
                    Hover(t);
                    if (auto* box = dynamic_cast<SkinCheckBox*>(t))
                        box->SetChecked(true);
                    else if (auto* test = dynamic_cast<DoubleClickTestArea*>(t)) {
                        SendMouse(test, QEvent::MouseButtonDblClick, QPointF(5, 5), Qt::LeftButton);
                    } else
                        Press(t);
                }
                if (state == kStateOff) t->setEnabled(false);
            }
        }
    }

  private:
    QLabel* Caption(const QString& text, bool head) {
        auto* label = new QLabel(text, this);
        label->setFont(SkinFont(head ? 15 : 14, head ? 700 : 400));
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, head ? skin::kText : skin::kTextDim);
        label->setPalette(pal);
        return label;
    }
    std::vector<std::pair<QWidget*, int>> pending_;
};

std::vector<int> WindowFamilies() {
    return {0, 20, 36, 50, 71, 112, 152, 175, 210, 223, 231, 240};
}
std::vector<int> PopupKinds() {
    return {185, 189, 194, 198, 202, 206, 282, 286, 291, 294, 297};
}
std::vector<int> UpdaterViews() {
    return {248, 251, 254, 258, 264, 270, 273, 275, 279};
}

QString FileStem(int family) {
    QString stem = U(FamilyOf(family)->stem);
    stem.replace(QLatin1Char(' '), QLatin1Char('_'));
    return stem;
}

// One picture of many, for looking at a family of views side by side.
QImage ContactSheet(const std::vector<QImage>& images, int columns) {
    int cellW = 0, cellH = 0;
    for (const QImage& i : images) {
        cellW = std::max(cellW, i.width());
        cellH = std::max(cellH, i.height());
    }
    const int gap = 12;
    const int rows = (static_cast<int>(images.size()) + columns - 1) / columns;
    QImage sheet(columns * (cellW + gap) + gap, rows * (cellH + gap) + gap, QImage::Format_RGB32);
    sheet.fill(QColor(0x08, 0x09, 0x0b));
    QPainter p(&sheet);
    for (size_t n = 0; n < images.size(); ++n) {
        const int c = static_cast<int>(n) % columns, r = static_cast<int>(n) / columns;
        p.drawImage(gap + c * (cellW + gap), gap + r * (cellH + gap), images[n]);
    }
    return sheet;
}

bool Save(const QImage& image, const QDir& dir, const QString& name) {
    const bool ok = !image.isNull() && image.save(dir.filePath(name));
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(dir.filePath(name)));
    return ok;
}

QImage GrabScreen(const QRect& area) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage();
}

int Screenshots(const QString& folder) {
    QDir dir(folder);
    dir.mkpath(QStringLiteral("."));
    // Keep the real pointer from hovering whatever lands under it.
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
    int failures = 0;

    StatesWindow states;
    states.move(0, 0);
    states.show();
    Pump(100);
    states.ApplyStates();
    Pump(100);
    failures += !Save(states.grab().toImage(), dir, QStringLiteral("controls_states.png"));
    states.hide();

    for (int family : WindowFamilies()) {
        GalleryWindow window(family, nullptr);
        window.move(0, 0);
        window.show();
        Pump(50);
        failures += !Save(window.grab().toImage(), dir,
                          QStringLiteral("window_%1.png").arg(FileStem(family)));
    }
    std::vector<QImage> popups;
    for (int kind : PopupKinds()) {
        MessagePopup popup(kind, nullptr);
        popup.SetText(QStringLiteral("V1.05"));
        popup.move(0, 0);
        popup.show();
        Pump(50);
        popups.push_back(popup.grab().toImage());
        failures += !Save(popups.back(), dir,
                          QStringLiteral("popup_%1_%2.png").arg(kind).arg(FileStem(kind)));
    }
    failures += !Save(ContactSheet(popups, 3), dir, QStringLiteral("overview_popups.png"));
    std::vector<QImage> views;
    for (int view : UpdaterViews()) {
        GalleryWindow window(view, nullptr);
        window.show();
        Pump(50);
        views.push_back(window.grab().toImage());
        failures += !Save(views.back(), dir,
                          QStringLiteral("updater_%1_%2.png").arg(view).arg(FileStem(view)));
    }
    failures += !Save(ContactSheet(views, 3), dir, QStringLiteral("overview_updater.png"));

    // Windows of their own (menus, tips) need a picture of the screen.
    {
        GalleryWindow page(71, nullptr);
        page.move(40, 40);
        page.show();
        Pump(100);
        auto* steps = static_cast<SkinComboButton*>(page.Control(101));
        Hover(steps);
        Click(steps);
        SkinMenu* menu = steps->menu();
        Hover(menu);
        SendMouse(menu, QEvent::MouseMove, menu->items()[2].rect.center(), {});
        Pump(150);
        failures += !Save(GrabScreen(page.frameGeometry().adjusted(0, 0, 0, 40)), dir,
                          QStringLiteral("menu_combo_open.png"));
        menu->Close();

        TitleTip tip(&page);
        const QRect item = ElementRect(74);
        tip.Show(LanguageText(58, U("在这里选择CPI移动的阶数，范围是1-3。如果你只想要一种CPI，"
                                    "就选择1；若需要不同的CPI以适应不同的游戏场景，就选择2或3。")),
                 0, item, item.topLeft());
        Pump(150);
        failures += !Save(GrabScreen(page.frameGeometry()), dir, QStringLiteral("title_tip.png"));
        tip.Hide();
        TitleTip small(&page);
        const QRect arrow = ElementRect(81);
        small.Show(U("加"), 0, arrow, arrow.topLeft());
        Pump(150);
        failures += !Save(GrabScreen(QRect(page.pos() + QPoint(150, 60), QSize(180, 110))), dir,
                          QStringLiteral("title_tip_short.png"));
        small.Hide();
    }
    {
        GalleryWindow page(36, nullptr);
        page.move(40, 40);
        page.show();
        Pump(100);
        auto* button = static_cast<ButtonFunctionCombo*>(page.Control(40));
        Hover(button);
        Click(button);
        SkinMenu* menu = button->menu();
        Pump(50);
        SendMouse(menu, QEvent::MouseMove, menu->items()[2].rect.center(), {});
        SkinMenu* sub = menu->Submenu(2700, false);
        Pump(50);
        if (sub && sub->isVisible()) {
            SendMouse(sub, QEvent::MouseMove, sub->items()[4].rect.center(), {});
        }
        Pump(150);
        failures += !Save(GrabScreen(QRect(page.pos(), QSize(1100, 620))), dir,
                          QStringLiteral("menu_button_submenu.png"));
        menu->Close();
    }
    return failures == 0 ? 0 : 1;
}

int Browse() {
    auto* list = new QListWidget;
    list->setWindowTitle(U("皮肤样张"));
    list->resize(320, 600);
    std::vector<std::function<void()>> actions;
    auto add = [&](const QString& text, std::function<void()> open) {
        list->addItem(text);
        actions.push_back(std::move(open));
    };
    add(U("控件状态"), [] {
        auto* w = new StatesWindow;
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        w->ApplyStates();
    });
    for (int family : WindowFamilies()) {
        add(U(FamilyOf(family)->title), [family] {
            auto* w = new GalleryWindow(family, nullptr);
            w->setAttribute(Qt::WA_DeleteOnClose);
            w->show();
        });
    }
    for (int kind : PopupKinds()) {
        add(QStringLiteral("%1 %2").arg(kind).arg(FileStem(kind)), [kind] {
            MessagePopup popup(kind, nullptr);
            popup.SetText(QStringLiteral("V1.05"));
            const int answer = popup.exec();
            std::printf("popup %d answered %d\n", kind, answer);
        });
    }
    for (int view : UpdaterViews()) {
        add(QStringLiteral("%1 %2").arg(view).arg(FileStem(view)), [view] {
            auto* w = new GalleryWindow(view, nullptr);
            w->setAttribute(Qt::WA_DeleteOnClose);
            w->show();
        });
    }
    QObject::connect(list, &QListWidget::itemActivated,
                     [list, actions](QListWidgetItem* item) { actions[list->row(item)](); });
    list->show();
    return qApp->exec();
}

}  // namespace
}  // namespace z7

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--screenshots"));
    if (at >= 0) {
        if (at + 1 >= args.size()) {
            std::fprintf(stderr, "usage: z7-gallery [--screenshots DIR]\n");
            return 2;
        }
        return z7::Screenshots(args[at + 1]);
    }
    return z7::Browse();
}
