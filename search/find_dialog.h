#pragma once

#include "host/command_button.h"
#include "host/form.h"
#include "host/label.h"
#include "host/text_box.h"

// The Find dialog: a modeless window that selects the first occurrence of
// the typed text in the editor's text box, at or after startPos, by the rule
// in search.h. The editor hands it that text box. The search state belongs
// to the one dialog object and outlives its window.
class find_dialog : public Form {
public:
    static find_dialog& instance();
    find_dialog();

    CommandButton button_find{*this, QStringLiteral("button_find")};
    CommandButton button_cancel{*this, QStringLiteral("button_cancel")};
    TextBox text_find{*this, QStringLiteral("text_find")};
    Label label_find{*this, QStringLiteral("label_find")};

    // 1-based position in the editor's text where the next search starts.
    qsizetype startPos = 0;
    // What the last Find searched for; findNext searches for it again.
    QString currentSearch;

    // Selects the next occurrence of currentSearch, one character past the
    // start of the last one, so that overlapping occurrences are found too;
    // after a miss the next search starts again at the beginning.
    void findNext();

    // The text box searched; until one is set, a search raises "Object
    // variable not set".
    void setTextBox(TextBox& text);

protected:
    void layout() override;

private:
    void find_dialog_Form_Load();
    void button_find_Click();
    void button_cancel_Click();

    qsizetype searchAndSelect(const QString& sought);

    TextBox* searched = nullptr;
};
