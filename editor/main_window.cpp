#include "editor/main_window.h"

#include "host/forms.h"
#include "host/program.h"
#include "host/twips.h"

main_window& main_window::instance() {
    return Forms::instance<main_window>();
}

main_window::main_window() : Form(QStringLiteral("main_window")) {}

void main_window::layout() {
    setCaption(QStringLiteral("Quorel - Ostravane's own text editor"));
    setBorder(Border::Sizable);
    setClientSize(7800, 5130);

    text_frame.create(TextBox::Kind::MultiLine, Twips{0, 0, 7815, 5175});
    text_frame.onChange([this] { text_frame_Change(); });

    menu_file.create(QStringLiteral("&File"));
    menu_file_new.create(menu_file, QStringLiteral("&new"), QStringLiteral("Ctrl+N"));
    menu_file_open.create(menu_file, QStringLiteral("&open"), QStringLiteral("Ctrl+O"));
    menu_file_save.create(menu_file, QStringLiteral("&save"), QStringLiteral("Ctrl+S"));
    menu_file_saveas.create(menu_file, QStringLiteral("save &as"));
    menu_file_exit.create(menu_file, QStringLiteral("e&xit"));
    menu_search.create(QStringLiteral("&Search"));
    menu_search_find.create(menu_search, QStringLiteral("&find"), QStringLiteral("Ctrl+F"));
    menu_search_findnext.create(menu_search, QStringLiteral("find &next"));

    menu_file_new.onClick([this] { menu_file_new_Click(); });
    menu_file_open.onClick([this] { menu_file_open_Click(); });
    menu_file_save.onClick([this] { menu_file_save_Click(); });
    menu_file_saveas.onClick([this] { menu_file_saveas_Click(); });
    menu_file_exit.onClick([this] { menu_file_exit_Click(); });
    menu_search_find.onClick([this] { menu_search_find_Click(); });
    menu_search_findnext.onClick([this] { menu_search_findnext_Click(); });

    onLoad([this] { main_window_Form_Load(); });
}

void main_window::main_window_Form_Load() {
    haveFile = false;
    currentFile.clear();
    textChanged = false;
}

void main_window::text_frame_Change() {
    textChanged = true;
}

void main_window::menu_file_new_Click() {
    // The text goes first: its change notification sets textChanged, which
    // is cleared last.
    text_frame.setText(QString());
    haveFile = false;
    currentFile.clear();
    textChanged = false;
}

void main_window::menu_file_exit_Click() {
    Program::end();
}
