#include "host/control.h"

#include "host/error_barrier.h"
#include "host/form.h"
#include "host/twips.h"
#include "runtime/runtime_error.h"

#include <QWidget>
#include <utility>

Control::Control(Form& form, QString name) : owner(form), controlName(std::move(name)) {
    owner.addControl(this);
}

Control::~Control() {
    // The widget may outlive the control by a moment; it must not call back.
    // Only the handlers' connections go, whose context is the widget: others
    // still hear of it, Qt's accessibility cache of its end among them.
    if (obj)
        QObject::disconnect(obj, nullptr, obj, nullptr);
}

void Control::attach(QWidget* widget, const Twips& g) {
    widget->setParent(owner.clientArea());
    widget->setGeometry(pixelsFromTwips(g.left), pixelsFromTwips(g.top), pixelsFromTwips(g.width),
                        pixelsFromTwips(g.height));
    widget->show();
    attachObject(widget);
}

void Control::attachObject(QObject* object) {
    object->setObjectName(controlName);
    obj = object;
}

QObject* Control::object() const {
    if (!owner.isLoaded())
        owner.load();
    if (!obj)
        raiseError(err::ObjectNotSet);
    return obj;
}

void Control::setAccessibleName(const QString& name) {
    widget()->setAccessibleName(name);
}

QWidget* Control::widget() const {
    return static_cast<QWidget*>(object());
}

void Control::fire(const std::function<void()>& handler) {
    if (handler)
        ErrorBarrier::call(handler);
}
