#include "host/program.h"

#include "host/error_barrier.h"
#include "host/form.h"
#include "host/forms.h"

#include <QApplication>

namespace {
bool ended = false;
Form* startup = nullptr;
} // namespace

int Program::run(Form& startupForm) {
    setStartupForm(&startupForm);
    ErrorBarrier::call([&] { startupForm.show(); });
    const int status = ended ? 0 : QApplication::exec();
    Forms::destroyAll();
    return status;
}

void Program::end() {
    ended = true;
    Forms::hideAll();
    QCoreApplication::exit(0);
}

bool Program::hasEnded() {
    return ended;
}

Form* Program::startupForm() {
    return startup;
}

void Program::setStartupForm(Form* form) {
    startup = form;
}

void Program::reset() {
    ended = false;
    startup = nullptr;
}
