#pragma once

#include <QString>
#include <functional>
#include <vector>

class Control;
class FormWindow;
class QWidget;

// A window with one instance, whose members keep their values while the
// window itself comes and goes.
//
// Loading builds the window and its controls (layout()) and runs the load
// handler; unloading destroys them and keeps the instance. Showing or hiding
// a form that is not loaded loads it first, and so does touching one of its
// controls.
class Form {
public:
    enum class Border {
        Sizable,     // resizable, with minimize and maximize buttons
        FixedDialog, // fixed size, close button only, no task-bar entry
    };

    explicit Form(QString name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const QString& name() const { return formName; }

    void load();
    // Loads, restores from minimized, raises and activates the window.
    void show();
    void hide();
    void unload();
    bool isLoaded() const { return win != nullptr; }
    bool isVisible() const;

    // For the host's own use.
    FormWindow* window() const { return win; }
    QWidget* clientArea();
    void addControl(Control* control);
    void closedByPerson();

protected:
    // Builds the window's controls; runs on every load.
    virtual void layout() = 0;

    // Settings for layout() to make.
    void setCaption(const QString& caption);
    void setBorder(Border border);
    void setClientSize(int width, int height);
    void setPosition(int left, int top);
    void onLoad(std::function<void()> handler);
    // What closing the window through its frame does; without a handler it
    // unloads the form, and closing the startup form ends the program.
    void onClose(std::function<void()> handler);

private:
    QString formName;
    FormWindow* win = nullptr;
    std::vector<Control*> controls;
    std::function<void()> loadHandler;
    std::function<void()> closeHandler;
};
