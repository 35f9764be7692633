#pragma once

#include <QMainWindow>

class Form;

// The Qt window behind a loaded form.
class FormWindow : public QMainWindow {
public:
    explicit FormWindow(Form& owner);

    // The area below the menu bar where the controls sit.
    QWidget* clientArea() const { return client; }
    void setClientSize(int width, int height) { clientSize = QSize(width, height); }
    void setFixedClientSize(bool fixed) { fixedSize = fixed; }
    // Sizes the window around its client area, once the menus are in place.
    void fitClientSize();
    void forgetForm() { form = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Form* form;
    QWidget* client;
    QSize clientSize;
    bool fixedSize = false;
};
