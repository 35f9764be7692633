#pragma once

class Form;

// The program's start and end.
class Program {
public:
    // Loads and shows the startup form, runs the event loop until the program
    // ends, then destroys every form. Needs a QApplication.
    static int run(Form& startup);

    // Ends the program at once: every window disappears and no further
    // handler runs.
    static void end();
    static bool hasEnded();

    // The startup form: closing it through its frame ends the program.
    static Form* startupForm();
    static void setStartupForm(Form* form);

    // Forgets an ended program, for a new start in the same process (tests).
    static void reset();
};
