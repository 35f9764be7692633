#include "editor/main_window.h"

void main_window::menu_search_find_Click() {}

void main_window::menu_search_findnext_Click() {}
