#include "editor/main_window.h"

void main_window::menu_file_open_Click() {}

void main_window::menu_file_save_Click() {}

void main_window::menu_file_saveas_Click() {}

void main_window::saveFile(const QString&) {}
