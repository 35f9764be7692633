#include "host/forms.h"

#include "host/form_window.h"

#include <QCoreApplication>
#include <QEvent>

std::vector<std::unique_ptr<Form>>& Forms::all() {
    static std::vector<std::unique_ptr<Form>> forms;
    return forms;
}

void Forms::hideAll() {
    for (const auto& form : all())
        if (FormWindow* window = form->window())
            window->hide();
}

void Forms::destroyAll() {
    all().clear();
    // Windows of unloaded forms wait for deferred deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
