#pragma once

#include "text/text_selection.h"

#include <QString>
#include <vector>

// One change of the text: at position, removed was replaced by inserted.
struct TextChange {
    qsizetype position = 0;
    QString removed;
    QString inserted;
};

// Undo and redo for a text box. Each step holds the changes of one command
// in the order they were made, with the selection before and after it.
// Typing is grouped the way desktop text boxes group it: characters typed
// one after another at the caret form one step, as do Backspace or Delete
// presses that continue each other, until the caret moves by other means or
// another kind of change comes.
class EditHistory {
public:
    enum class Kind {
        Typing,   // a character typed at the caret (or over the selection)
        Deleting, // Backspace or Delete
        Command,  // paste, cut, drop, Enter, input method commit: a step of its own
    };

    struct Step {
        std::vector<TextChange> changes;
        TextSelection before;
        TextSelection after;
    };

    void record(Kind kind, TextChange change, TextSelection before, TextSelection after);
    // A command of several changes, each made to the text the one before
    // left: one step, undone as a whole.
    void record(std::vector<TextChange> changes, TextSelection before, TextSelection after);
    // The next change starts a step of its own (the caret moved, the text
    // was set from the program, focus left).
    void closeGroup();
    void clear();

    bool canUndo() const;
    bool canRedo() const;
    // The step to take back (apply its changes in reverse, restore
    // `before`), or nullptr. Moves the step to the redo list.
    const Step* undo();
    // The step to make again (apply its changes in order, restore `after`),
    // or nullptr.
    const Step* redo();

private:
    // A new step; typing or deleting keeps it open for more of the same.
    void push(Kind kind, std::vector<TextChange> changes, TextSelection before,
              TextSelection after);
    const Step* moveLast(std::vector<Step>& from, std::vector<Step>& to);

    std::vector<Step> done;
    std::vector<Step> undone;
    Kind lastKind = Kind::Command;
    bool open = false; // the last step may take more typing
};
