#include "search/find_dialog.h"

#include "host/forms.h"
#include "host/message_box.h"
#include "host/twips.h"
#include "runtime/runtime_error.h"
#include "search/search.h"

find_dialog& find_dialog::instance() {
    return Forms::instance<find_dialog>();
}

find_dialog::find_dialog() : Form(QStringLiteral("find_dialog")) {}

void find_dialog::layout() {
    setCaption(QStringLiteral("Find text in file - Quorel"));
    setBorder(Border::FixedDialog);
    setClientSize(6165, 1125);
    setPosition(2760, 3750);

    // Created in tab order.
    button_find.create(QStringLiteral("Find"), Twips{4680, 120, 1215, 375});
    button_cancel.create(QStringLiteral("Cancel"), Twips{4680, 600, 1215, 375});
    text_find.create(TextBox::Kind::SingleLine, Twips{1200, 480, 3255, 285});
    label_find.create(QStringLiteral("Find"), Twips{720, 480, 375, 255});
    label_find.setBuddy(text_find);

    button_find.onClick([this] { button_find_Click(); });
    button_cancel.onClick([this] { button_cancel_Click(); });
    onLoad([this] { find_dialog_Form_Load(); });
    onClose([this] { button_cancel_Click(); });
}

void find_dialog::find_dialog_Form_Load() {
    startPos = 1;
}

void find_dialog::button_find_Click() {
    const QString sought = text_find.text();
    searchAndSelect(sought);
    currentSearch = sought;
    button_cancel_Click();
}

void find_dialog::button_cancel_Click() {
    // Hiding the unloaded dialog loads it again, hidden, with a fresh window
    // and startPos back at 1.
    unload();
    hide();
}

void find_dialog::findNext() {
    const qsizetype p = searchAndSelect(currentSearch);
    // After a miss p is 0, so the next search starts at the beginning.
    startPos = p + 1;
}

void find_dialog::setTextBox(TextBox& text) {
    searched = &text;
}

// Selects the first occurrence of sought at or after startPos and returns
// its 1-based position, or says so and returns 0 if there is none.
qsizetype find_dialog::searchAndSelect(const QString& sought) {
    if (!searched)
        raiseError(err::ObjectNotSet);
    TextBox& text = *searched;
    const qsizetype p = Search::find(text.text(), sought, startPos);
    if (p == 0) {
        messageBox(QStringLiteral("String not found"));
        return 0;
    }
    text.setSelStart(p - 1);
    text.setSelLength(sought.size());
    // The person sees the occurrence and typing replaces it.
    text.form().show();
    text.setFocus();
    return p;
}
