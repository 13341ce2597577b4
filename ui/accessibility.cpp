#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include "ui/form1.h"
#include "ui/hscrollbar.h"
#include "ui/picture_box.h"

namespace {

class SliderInterface : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderInterface(HScrollBar* bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    [[nodiscard]] QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Value) return QString::number(bar()->Value());
        return QAccessibleWidget::text(type);
    }
    [[nodiscard]] QVariant currentValue() const override { return bar()->Value(); }
    void setCurrentValue(const QVariant& value) override { bar()->setValue(value.toInt()); }
    [[nodiscard]] QVariant maximumValue() const override { return bar()->maximum(); }
    [[nodiscard]] QVariant minimumValue() const override { return bar()->minimum(); }
    [[nodiscard]] QVariant minimumStepSize() const override { return bar()->singleStep(); }

private:
    [[nodiscard]] HScrollBar* bar() const { return static_cast<HScrollBar*>(widget()); }
};

// The classes have no meta object of their own, so the factory is asked
// under their base class's name and tells them apart by type.
QAccessibleInterface* interfaceFor(const QString& /*className*/, QObject* object) {
    if (auto* form = dynamic_cast<Form1*>(object)) return new QAccessibleWidget(form, QAccessible::Window);
    if (auto* chart = dynamic_cast<PictureBox*>(object))
        return new QAccessibleWidget(chart, QAccessible::Chart);
    if (auto* bar = dynamic_cast<HScrollBar*>(object)) return new SliderInterface(bar);
    return nullptr;
}

}  // namespace

void installAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(&interfaceFor);
        return true;
    }();
    static_cast<void>(installed);
}
