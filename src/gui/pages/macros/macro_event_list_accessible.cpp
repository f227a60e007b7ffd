// The macro list as assistive technology sees it: a list whose items are the rows, each named
// by what it shows, selectable and pressable like a click; the scroll bar and the edits the list
// opens follow the rows as its other children.
#include <QAccessible>
#include <QAccessibleWidget>
#include <mutex>

#include "gui/pages/macros/macro_event_list.h"

namespace z7 {
namespace {

QAccessibleInterface* InterfaceOf(QObject* object) {
    return object ? QAccessible::queryAccessibleInterface(object) : nullptr;
}

class ListInterface : public QAccessibleWidget {
  public:
    explicit ListInterface(MacroEventList* list) : QAccessibleWidget(list, QAccessible::List) {}
    MacroEventList* list() const { return static_cast<MacroEventList*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QStringLiteral("Macro list");
        if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty())
            return widget()->toolTip();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return list()->rowCount() + QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        const int rows = list()->rowCount();
        if (index < 0) return nullptr;
        if (index < rows) return InterfaceOf(list()->rowObject(index));
        return QAccessibleWidget::child(index - rows);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        if (auto* row = qobject_cast<MacroEventRow*>(child->object()))
            return row->list() == list() ? row->index() : -1;
        const int own = QAccessibleWidget::indexOfChild(child);
        return own < 0 ? -1 : list()->rowCount() + own;
    }
    QAccessibleInterface* focusChild() const override {
        if (!list()->hasFocus()) return QAccessibleWidget::focusChild();
        return InterfaceOf(list()->rowObject(list()->cursorRow()));
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const int row = list()->RowAt(list()->mapFromGlobal(QPoint(x, y)));
        if (row >= 0) return InterfaceOf(list()->rowObject(row));
        return QAccessibleWidget::childAt(x, y);
    }
};

class RowInterface : public QAccessibleObject, public QAccessibleActionInterface {
  public:
    explicit RowInterface(MacroEventRow* row) : QAccessibleObject(row) {}
    MacroEventRow* row() const { return static_cast<MacroEventRow*>(object()); }
    MacroEventList* list() const { return row()->list(); }
    bool valid() const {
        return row()->index() < list()->rowCount() && QAccessibleObject::isValid();
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    QWindow* window() const override { return list()->window()->windowHandle(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? list()->RowText(row()->index()) : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const int index = row()->index();
        const Macro* m = list()->macro();
        const bool shown = list()->isVisible() && index >= list()->topRow() &&
                           index < list()->topRow() + list()->visibleRows();
        s.invisible = !list()->isVisible();
        s.offscreen = !shown;
        s.disabled = !list()->isEnabled();
        s.focusable = true;
        s.selectable = true;
        s.multiSelectable = true;
        s.selected =
            m && index < list()->rowCount() && m->events[static_cast<size_t>(index)].selected != 0;
        s.focused = list()->hasFocus() && list()->cursorRow() == index;
        return s;
    }
    QRect rect() const override {
        const int index = row()->index();
        if (!list()->isVisible() || index < list()->topRow() ||
            index >= list()->topRow() + list()->visibleRows())
            return {};
        const QRect r = list()->RowRect(index);
        return QRect(list()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessibleInterface* parent() const override { return InterfaceOf(list()); }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    // Press: the row alone, as a click; Toggle: in or out of the selection, as Ctrl+click.
    QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
    void doAction(const QString& name) override {
        if (!list()->isEnabled()) return;
        if (name == pressAction())
            list()->SelectRow(row()->index());
        else if (name == toggleAction())
            list()->ToggleRow(row()->index());
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* MacroListFactory(const QString& className, QObject* object) {
    if (!object) return nullptr;
    if (className == QLatin1String("z7::MacroEventRow"))
        return new RowInterface(static_cast<MacroEventRow*>(object));
    if (className == QLatin1String("z7::MacroEventList"))
        return new ListInterface(static_cast<MacroEventList*>(object));
    return nullptr;
}

}  // namespace

void EnsureMacroListAccessibility() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(MacroListFactory); });
}

}  // namespace z7
