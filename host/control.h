#pragma once

#include <QString>
#include <functional>

class Form;
class QObject;
class QWidget;
struct Twips;

// A named control on a form. The control object lives as long as its form;
// the widget behind it is made on every load and forgotten on unload.
class Control {
public:
    Control(Form& form, QString name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Form& form() const { return owner; }

    // The name a screen reader announces for the control.
    void setAccessibleName(const QString& name);

    // For the host's own use. The widget or object behind the control,
    // loading the form first if it is not loaded.
    QObject* object() const;
    QWidget* widget() const;
    virtual void detach() { obj = nullptr; }

protected:
    // Puts a freshly made widget on the form's client area.
    void attach(QWidget* widget, const Twips& geometry);
    void attachObject(QObject* object);

    // Runs one of the control's event handlers through the error barrier.
    static void fire(const std::function<void()>& handler);

private:
    Form& owner;
    QString controlName;
    QObject* obj = nullptr;
};
