#include "editor/main_window.h"
#include "search/find_dialog.h"

void main_window::menu_search_find_Click() {
    find_dialog::instance().setTextBox(text_frame);
    find_dialog::instance().show();
}

void main_window::menu_search_findnext_Click() {
    find_dialog::instance().setTextBox(text_frame);
    find_dialog::instance().findNext();
}
