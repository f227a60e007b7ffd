#include "gui/ui/skin_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>
#include <mutex>

#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_controls.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_menu.h"

namespace z7 {
namespace {

QString ElementName(int element) {
    const SkinElement* e = element >= 0 ? FindElement(element) : nullptr;
    return e ? QString::fromUtf8(e->name) : QString();
}

QAccessibleInterface* InterfaceOf(QObject* object) {
    return object ? QAccessible::queryAccessibleInterface(object) : nullptr;
}

// Name from the owner, else from the skin element; description from the tooltip.
class ControlInterface : public QAccessibleWidget {
  public:
    ControlInterface(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? FallbackName() : name;
        }
        if (t == QAccessible::Description) {
            const QString description = widget()->accessibleDescription();
            return description.isEmpty() ? widget()->toolTip() : description;
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        QStringList names = OwnActions();
        for (const QString& n : QAccessibleWidget::actionNames())
            if (!names.contains(n)) names << n;
        return names;
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  protected:
    virtual QString FallbackName() const {
        if (auto* c = qobject_cast<SkinControl*>(widget())) return ElementName(c->skinElement());
        return {};
    }
    virtual QStringList OwnActions() const { return {}; }
};

class ButtonInterface : public ControlInterface {
  public:
    explicit ButtonInterface(SkinButton* button) : ControlInterface(button, QAccessible::Button) {}
    SkinButton* button() const { return static_cast<SkinButton*>(widget()); }

    QAccessible::State state() const override {
        QAccessible::State s = ControlInterface::state();
        if (button()->latched()) s.pressed = true;
        return s;
    }
    void doAction(const QString& name) override {
        if (name == pressAction())
            button()->Click();
        else
            ControlInterface::doAction(name);
    }

  protected:
    QString FallbackName() const override {
        const QString element = ControlInterface::FallbackName();
        return element.isEmpty() ? button()->fallbackText() : element;
    }
    QStringList OwnActions() const override { return {pressAction()}; }
};

class CheckBoxInterface : public ControlInterface {
  public:
    explicit CheckBoxInterface(SkinCheckBox* box) : ControlInterface(box, QAccessible::CheckBox) {}
    SkinCheckBox* box() const { return static_cast<SkinCheckBox*>(widget()); }

    QAccessible::State state() const override {
        QAccessible::State s = ControlInterface::state();
        s.checkable = true;
        s.checked = box()->checked();
        return s;
    }
    void doAction(const QString& name) override {
        if (name == toggleAction() || name == pressAction())
            box()->Toggle();
        else
            ControlInterface::doAction(name);
    }

  protected:
    QStringList OwnActions() const override { return {toggleAction(), pressAction()}; }
};

class TestAreaInterface : public ControlInterface {
  public:
    explicit TestAreaInterface(DoubleClickTestArea* area)
        : ControlInterface(area, QAccessible::Button) {}
    void doAction(const QString& name) override {
        if (name == pressAction())
            static_cast<DoubleClickTestArea*>(widget())->Toggle();
        else
            ControlInterface::doAction(name);
    }
    QAccessible::State state() const override {
        QAccessible::State s = ControlInterface::state();
        s.pressed = static_cast<DoubleClickTestArea*>(widget())->pictureState() == 2;
        return s;
    }

  protected:
    QStringList OwnActions() const override { return {pressAction()}; }
};

// A drop-down button; its menu is its one child.
class ComboInterface : public ControlInterface {
  public:
    explicit ComboInterface(SkinComboButton* combo)
        : ControlInterface(
              combo, combo->actsAsMenuButton() ? QAccessible::ButtonMenu : QAccessible::ComboBox) {}
    SkinComboButton* combo() const { return static_cast<SkinComboButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return combo()->text();
        return ControlInterface::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = ControlInterface::state();
        s.hasPopup = true;
        s.expandable = true;
        s.expanded = combo()->menuOpen();
        s.collapsed = !s.expanded;
        return s;
    }
    int childCount() const override { return combo()->menu() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? InterfaceOf(combo()->menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo()->menu() ? 0 : -1;
    }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction())
            combo()->OpenMenu();
        else
            ControlInterface::doAction(name);
    }

  protected:
    QStringList OwnActions() const override { return {showMenuAction(), pressAction()}; }
};

// Sliders, scroll bars and progress bars: a number in a range.
template <typename Control>
class RangeInterface : public ControlInterface, public QAccessibleValueInterface {
  public:
    RangeInterface(Control* control, QAccessible::Role role) : ControlInterface(control, role) {}
    Control* control() const { return static_cast<Control*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return ControlInterface::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(control()->pos());
        return ControlInterface::text(t);
    }
    QVariant currentValue() const override { return control()->pos(); }
    void setCurrentValue(const QVariant& value) override {
        if constexpr (requires(Control * c) { c->MoveByUser(0); }) {
            if (control()->isEnabled()) control()->MoveByUser(value.toInt());
        }
    }
    QVariant maximumValue() const override { return control()->maximum(); }
    QVariant minimumValue() const override { return control()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }
    void doAction(const QString& name) override {
        if constexpr (requires(Control * c) { c->MoveByUser(0); }) {
            if (name == increaseAction()) return control()->MoveByUser(control()->pos() + 1);
            if (name == decreaseAction()) return control()->MoveByUser(control()->pos() - 1);
        }
        ControlInterface::doAction(name);
    }

  protected:
    QStringList OwnActions() const override {
        if constexpr (requires(Control * c) { c->MoveByUser(0); })
            return {increaseAction(), decreaseAction()};
        return {};
    }
};

// Static text: named by the owner or by what it shows; the shown text is also its text.
class LabelInterface : public ControlInterface, public QAccessibleTextInterface {
  public:
    explicit LabelInterface(SkinLabel* label) : ControlInterface(label, QAccessible::StaticText) {}
    SkinLabel* label() const { return static_cast<SkinLabel*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return ControlInterface::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description && widget()->toolTip().isEmpty() &&
            !widget()->accessibleName().isEmpty()) {
            return label()->Text();
        }
        if (t == QAccessible::Value) return label()->Text();
        return ControlInterface::text(t);
    }

    // QAccessibleTextInterface: read-only text without selection.
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        return label()->Text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(label()->Text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

  protected:
    QString FallbackName() const override { return label()->Text(); }
};

// A popup menu: its rows are its children; it hangs below its drop-down button, the row that
// opens it, or (the tray menu) the window that owns it.
class MenuInterface : public QAccessibleWidget {
  public:
    explicit MenuInterface(SkinMenu* menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}
    SkinMenu* menu() const { return static_cast<SkinMenu*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty())
            return QAccessibleWidget::text(t);
        if (SkinMenu* parentMenu = menu()->parentMenu()) {
            if (const SkinMenuItem* item = parentMenu->FindItem(menu()->key())) return item->text;
        }
        if (QAccessibleInterface* owner = parent()) return owner->text(QAccessible::Name);
        return {};
    }
    QAccessibleInterface* parent() const override {
        if (SkinMenu* parentMenu = menu()->parentMenu()) {
            const auto& items = parentMenu->items();
            for (size_t i = 0; i < items.size(); ++i) {
                if (items[i].id == menu()->key())
                    return InterfaceOf(parentMenu->EntryObject(static_cast<int>(i)));
            }
            return InterfaceOf(parentMenu);
        }
        return InterfaceOf(menu()->parentWidget());
    }
    int childCount() const override { return static_cast<int>(menu()->items().size()); }
    QAccessibleInterface* child(int index) const override {
        return InterfaceOf(menu()->EntryObject(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        auto* entry = child ? qobject_cast<SkinMenuEntry*>(child->object()) : nullptr;
        return entry && entry->menu() == menu() ? entry->index() : -1;
    }
    QAccessibleInterface* focusChild() const override {
        const int hot = menu()->hotItem();
        return hot >= 0 && menu()->isVisible() ? child(hot) : nullptr;
    }
};

class EntryInterface : public QAccessibleObject, public QAccessibleActionInterface {
  public:
    explicit EntryInterface(SkinMenuEntry* entry) : QAccessibleObject(entry) {}
    SkinMenuEntry* entry() const { return static_cast<SkinMenuEntry*>(object()); }
    SkinMenu* menu() const { return entry()->menu(); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    QWindow* window() const override { return menu()->window()->windowHandle(); }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QString text(QAccessible::Text t) const override {
        const SkinMenuItem* item = entry()->item();
        return t == QAccessible::Name && item ? item->text : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const SkinMenuItem* item = entry()->item();
        const bool shown = menu()->isVisible();
        s.invisible = !shown;
        s.offscreen = !shown;
        s.disabled = !item || !item->enabled;
        s.focusable = true;
        s.selectable = true;
        const bool hot = menu()->hotItem() == entry()->index();
        s.selected = hot;
        s.focused = hot && shown;
        s.hasPopup = item && item->hasSubmenu;
        return s;
    }
    QRect rect() const override {
        const SkinMenuItem* item = entry()->item();
        if (!item || !menu()->isVisible()) return {};
        return QRect(menu()->mapToGlobal(item->rect.topLeft()), item->rect.size());
    }
    QAccessibleInterface* parent() const override { return InterfaceOf(menu()); }
    int childCount() const override { return Submenu() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? InterfaceOf(Submenu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == Submenu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        const SkinMenuItem* item = entry()->item();
        if (name == pressAction() && item) menu()->ChooseItem(item->id);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    SkinMenu* Submenu() const {
        const SkinMenuItem* item = entry()->item();
        return item && item->hasSubmenu ? menu()->Submenu(item->id, false) : nullptr;
    }
};

// Skinned windows: pages and the main window are windows, popups dialogs. Menus the window
// owns directly (the tray menu) are among its children.
class WindowInterface : public QAccessibleWidget {
  public:
    explicit WindowInterface(QWidget* window)
        : QAccessibleWidget(window, window->isModal() ? QAccessible::Dialog : QAccessible::Window) {
    }
    QAccessible::Role role() const override {
        return widget()->isModal() ? QAccessible::Dialog : QAccessible::Window;
    }
    int childCount() const override {
        return QAccessibleWidget::childCount() + static_cast<int>(Menus().size());
    }
    QAccessibleInterface* child(int index) const override {
        const int own = QAccessibleWidget::childCount();
        if (index < own) return QAccessibleWidget::child(index);
        const QList<SkinMenu*> menus = Menus();
        return index - own < menus.size() ? InterfaceOf(menus[index - own]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const int own = QAccessibleWidget::indexOfChild(child);
        if (own >= 0) return own;
        const int menu = static_cast<int>(
            Menus().indexOf(child ? qobject_cast<SkinMenu*>(child->object()) : nullptr));
        return menu >= 0 ? QAccessibleWidget::childCount() + menu : -1;
    }

  private:
    QList<SkinMenu*> Menus() const {
        return widget()->findChildren<SkinMenu*>(Qt::FindDirectChildrenOnly);
    }
};

QAccessibleInterface* SkinFactory(const QString& className, QObject* object) {
    if (!object) return nullptr;
    if (className == QLatin1String("z7::SkinMenuEntry"))
        return new EntryInterface(static_cast<SkinMenuEntry*>(object));
    if (!object->isWidgetType()) return nullptr;
    QWidget* w = static_cast<QWidget*>(object);
    if (className == QLatin1String("z7::SkinButton"))
        return new ButtonInterface(static_cast<SkinButton*>(w));
    if (className == QLatin1String("z7::SkinCheckBox"))
        return new CheckBoxInterface(static_cast<SkinCheckBox*>(w));
    if (className == QLatin1String("z7::DoubleClickTestArea"))
        return new TestAreaInterface(static_cast<DoubleClickTestArea*>(w));
    if (className == QLatin1String("z7::SkinComboButton"))
        return new ComboInterface(static_cast<SkinComboButton*>(w));
    if (className == QLatin1String("z7::SkinSlider"))
        return new RangeInterface<SkinSlider>(static_cast<SkinSlider*>(w), QAccessible::Slider);
    if (className == QLatin1String("z7::SkinScrollBar"))
        return new RangeInterface<SkinScrollBar>(static_cast<SkinScrollBar*>(w),
                                                 QAccessible::ScrollBar);
    if (className == QLatin1String("z7::SkinProgressBar"))
        return new RangeInterface<SkinProgressBar>(static_cast<SkinProgressBar*>(w),
                                                   QAccessible::ProgressBar);
    if (className == QLatin1String("z7::SkinLabel"))
        return new LabelInterface(static_cast<SkinLabel*>(w));
    if (className == QLatin1String("z7::SkinMenu"))
        return new MenuInterface(static_cast<SkinMenu*>(w));
    if (className == QLatin1String("z7::SkinWindow")) return new WindowInterface(w);
    return nullptr;
}

}  // namespace

void EnsureSkinAccessibility() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(SkinFactory); });
}

void NameControl(QWidget* control, const QString& name, const QString& tooltip) {
    if (!control) return;
    control->setAccessibleName(name);
    if (!tooltip.isEmpty()) {
        control->setToolTip(tooltip);
        control->setAccessibleDescription(tooltip);
    }
}

void NotifyStateChanged(QWidget* control) {
    if (!QAccessible::isActive()) return;
    QAccessible::State changed;
    changed.checked = true;
    changed.pressed = true;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

void NotifyValueChanged(QWidget* control, int value) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

void NotifyTextChanged(QWidget* control) {
    if (!QAccessible::isActive()) return;
    if (auto* combo = qobject_cast<SkinComboButton*>(control)) {
        QAccessibleValueChangeEvent event(combo, combo->text());
        QAccessible::updateAccessibility(&event);
        return;
    }
    QAccessibleEvent event(control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void NotifyFocus(QObject* object) {
    if (!QAccessible::isActive() || !object) return;
    QAccessibleEvent event(object, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

}  // namespace z7
