#include "text/edit_history.h"

namespace {

// Whether next carries on from previous the way a run of keystrokes does.
bool continues(EditHistory::Kind kind, const TextChange& previous, const TextChange& next) {
    switch (kind) {
    case EditHistory::Kind::Typing:
        // Typing over a selection begins a step of its own, so that undo
        // brings the selection back before anything else.
        return next.removed.isEmpty() &&
               next.position == previous.position + previous.inserted.size();
    case EditHistory::Kind::Deleting:
        // Backspace ends where the previous deletion began; Delete stays put.
        return next.inserted.isEmpty() &&
               (next.position + next.removed.size() == previous.position ||
                next.position == previous.position);
    case EditHistory::Kind::Command:
        break;
    }
    return false;
}

} // namespace

void EditHistory::record(Kind kind, TextChange change, TextSelection before, TextSelection after) {
    if (open && kind == lastKind && continues(kind, done.back().changes.back(), change)) {
        undone.clear();
        done.back().changes.push_back(std::move(change));
        done.back().after = after;
        return;
    }
    std::vector<TextChange> changes;
    changes.push_back(std::move(change));
    push(kind, std::move(changes), before, after);
}

void EditHistory::record(std::vector<TextChange> changes, TextSelection before,
                         TextSelection after) {
    push(Kind::Command, std::move(changes), before, after);
}

void EditHistory::push(Kind kind, std::vector<TextChange> changes, TextSelection before,
                       TextSelection after) {
    undone.clear();
    done.push_back(Step{std::move(changes), before, after});
    lastKind = kind;
    open = kind != Kind::Command;
}

void EditHistory::closeGroup() {
    open = false;
}

void EditHistory::clear() {
    done.clear();
    undone.clear();
    open = false;
}

bool EditHistory::canUndo() const {
    return !done.empty();
}

bool EditHistory::canRedo() const {
    return !undone.empty();
}

const EditHistory::Step* EditHistory::undo() {
    return moveLast(done, undone);
}

const EditHistory::Step* EditHistory::redo() {
    return moveLast(undone, done);
}

// Undo and redo move a step between the two lists; the moved step takes no
// more typing.
const EditHistory::Step* EditHistory::moveLast(std::vector<Step>& from, std::vector<Step>& to) {
    if (from.empty())
        return nullptr;
    to.push_back(std::move(from.back()));
    from.pop_back();
    open = false;
    return &to.back();
}
