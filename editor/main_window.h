#pragma once

#include "host/common_dialog.h"
#include "host/form.h"
#include "host/menu.h"
#include "host/text_box.h"
#include "runtime/file_stamp.h"

// The editor window: the document's text, the document state and the menus
// through which every command is reached. Its members are defined in three
// files: main_window.cpp (layout, load, new, exit and the change handler),
// main_window_file_commands.cpp (open, save, save as) and
// main_window_search_commands.cpp (find, find next).
class main_window : public Form {
public:
    static main_window& instance();
    main_window();

    TextBox text_frame{*this, QStringLiteral("text_frame")};
    CommonDialog common_diag;

    Menu menu_file{*this, QStringLiteral("menu_file")};
    Menu menu_file_new{*this, QStringLiteral("menu_file_new")};
    Menu menu_file_open{*this, QStringLiteral("menu_file_open")};
    Menu menu_file_save{*this, QStringLiteral("menu_file_save")};
    Menu menu_file_saveas{*this, QStringLiteral("menu_file_saveas")};
    Menu menu_file_exit{*this, QStringLiteral("menu_file_exit")};
    Menu menu_search{*this, QStringLiteral("menu_search")};
    Menu menu_search_find{*this, QStringLiteral("menu_search_find")};
    Menu menu_search_findnext{*this, QStringLiteral("menu_search_findnext")};

    // The document state, read-only from outside.
    bool hasFile() const { return haveFile; }
    const QString& fileName() const { return currentFile; }
    bool isChanged() const { return textChanged; }

protected:
    void layout() override;

private:
    void main_window_Form_Load();
    void text_frame_Change();
    void menu_file_new_Click();
    void menu_file_open_Click();
    void menu_file_save_Click();
    void menu_file_saveas_Click();
    void menu_file_exit_Click();
    void menu_search_find_Click();
    void menu_search_findnext_Click();

    void saveFile(const QString& path);
    bool changedByAnotherProgram() const;

    bool haveFile = false;    // the text was opened from or saved to currentFile
    QString currentFile;      // empty while haveFile is false
    bool textChanged = false; // changed since the last new, open or save
    FileStamp fileStamp;      // currentFile as this editor last read or wrote it
};
