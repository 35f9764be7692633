#include "docfile/code_page.h"
#include "docfile/field_pieces.h"
#include "search/search.h"
#include "tests/editor_test.h"

#include <QDir>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Dialog = Services::FileDialog;

class FileCommandsTest : public EditorTest {
protected:
    void type(const QString& s) { QTest::keyClicks(text(), s); }
    void saveAs(const QString& answer) {
        services.fileAnswers << answer;
        menu(Qt::Key_F, Qt::Key_A);
    }
    void open(const QString& answer) {
        services.fileAnswers << answer;
        ctrl(Qt::Key_O);
    }
    // Opens file, types text at its end and saves it with Ctrl+S.
    void editAndSave(const QString& file, const QString& text) {
        open(file);
        QTest::keyClick(this->text(), Qt::Key_End, Qt::ControlModifier);
        type(text);
        ctrl(Qt::Key_S);
    }
    QStringList folder() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(FileCommandsTest, SaveOnANewUnchangedDocumentSaysThereIsNothingToSave) {
    ctrl(Qt::Key_S);
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("Nothing to save yet")});
    EXPECT_TRUE(services.dialogsShown.isEmpty());
}

TEST_F(FileCommandsTest, SaveOnATypedNewDocumentAsksForANameAndCancelKeepsItNew) {
    type(QStringLiteral("draft"));
    services.fileAnswers << QString();
    ctrl(Qt::Key_S);
    EXPECT_EQ(services.dialogsShown, QList<Dialog>{Dialog::Save});
    EXPECT_TRUE(folder().isEmpty());
    EXPECT_FALSE(w.hasFile());
    EXPECT_TRUE(w.isChanged());

    const QString file = path(QStringLiteral("draft.txt"));
    services.fileAnswers << file;
    ctrl(Qt::Key_S);
    EXPECT_EQ(contents(file), QByteArray("\"draft\"\r\n"));
    EXPECT_TRUE(w.hasFile());
    EXPECT_EQ(w.fileName(), file);
    EXPECT_FALSE(w.isChanged());
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(FileCommandsTest, SaveOnANamedDocumentWritesOnlyWhenChanged) {
    const QString file = path(QStringLiteral("doc.txt"));
    type(QStringLiteral("one"));
    saveAs(file);
    const ino_t saved = TestFiles::status(file).st_ino;

    // A save replaces the file: the same inode means nothing was written.
    ctrl(Qt::Key_S);
    EXPECT_EQ(TestFiles::status(file).st_ino, saved);
    EXPECT_TRUE(services.messages.isEmpty());

    QTest::keyClick(text(), Qt::Key_Return);
    type(QStringLiteral("two"));
    ctrl(Qt::Key_S);
    EXPECT_EQ(contents(file), QByteArray("\"one\r\ntwo\"\r\n"));
    EXPECT_EQ(services.dialogsShown.size(), 1);
    EXPECT_FALSE(w.isChanged());
}

TEST_F(FileCommandsTest, SaveDoesNotOverwriteWhatAnotherProgramWrote) {
    const QString changed = QStringLiteral(
        "The file was changed by another program since it was opened or saved. Nothing was "
        "written; use save as to keep this text.");
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, "\"mine\"\r\n");
    editAndSave(file, QStringLiteral(" and more"));
    EXPECT_TRUE(services.messages.isEmpty());

    // Replaced by another program's save: a new file renamed over ours.
    const QString theirs = path(QStringLiteral("theirs.tmp"));
    put(theirs, "\"theirs\"\r\n");
    ASSERT_TRUE(
        ::rename(QFile::encodeName(theirs).constData(), QFile::encodeName(file).constData()) == 0);
    type(QStringLiteral("!"));
    ctrl(Qt::Key_S);
    EXPECT_EQ(services.messages, QStringList{changed});
    EXPECT_EQ(contents(file), QByteArray("\"theirs\"\r\n"));
    EXPECT_TRUE(w.hasFile());
    EXPECT_EQ(w.fileName(), file);
    EXPECT_TRUE(w.isChanged());

    // Save as onto the same file writes it, and a later save goes through.
    saveAs(file);
    EXPECT_EQ(contents(file), QByteArray("\"mine and more!\"\r\n"));
    type(QStringLiteral("?"));
    ctrl(Qt::Key_S);
    EXPECT_EQ(contents(file), QByteArray("\"mine and more!?\"\r\n"));
    EXPECT_EQ(services.messages.size(), 1);

    // Appended to in place: the same file, grown.
    QFile appended(file);
    ASSERT_TRUE(appended.open(QIODevice::Append));
    appended.write("tail");
    appended.close();
    type(QStringLiteral("#"));
    ctrl(Qt::Key_S);
    EXPECT_EQ(services.messages, (QStringList{changed, changed}));
    EXPECT_EQ(contents(file), QByteArray("\"mine and more!?\"\r\ntail"));
    EXPECT_TRUE(w.isChanged());

    // Deleted meanwhile: nobody's work is lost by writing it again.
    ASSERT_TRUE(QFile::remove(file));
    ctrl(Qt::Key_S);
    EXPECT_EQ(contents(file), QByteArray("\"mine and more!?#\"\r\n"));
    EXPECT_FALSE(w.isChanged());
    EXPECT_EQ(services.messages.size(), 2);
}

TEST_F(FileCommandsTest, ACharacterOutsideTheCodePageIsSearchedAndRefusedUntilUndone) {
    const QByteArray field("line one \x80\r\nsecond \x81\x8D\x8F\x90\x9D line");
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, '"' + field + "\"\r\n");
    open(file);
    EXPECT_EQ(Search::find(w.text_frame.text(), u"\u20AC", 1), 10);
    EXPECT_EQ(Search::find(w.text_frame.text(), u"\u03A9", 1), 0);

    w.text_frame.setSelStart(9);
    QTest::sendKeyEvent(QTest::Click, text(), Qt::Key_unknown, QStringLiteral("\u03A9"),
                        Qt::NoModifier);
    EXPECT_EQ(Search::find(w.text_frame.text(), u"\u03A9", 1), 10);
    EXPECT_EQ(Search::find(w.text_frame.text(), u"\u20AC", 1), 11);
    EXPECT_EQ(Search::find(w.text_frame.text(), u"\u0081\u008D", 1), 21);
    ctrl(Qt::Key_S);
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("The text was not saved: the character \u201C\u03A9\u201D "
                                         "(U+03A9) on line 1 cannot be stored in a Windows-1252 "
                                         "document.")});

    // Undone, redone and undone again: the text is the file's once more.
    QTest::keyClick(text(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(text(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("line one \u03A9\u20AC\r\nsecond "
                                                  "\u0081\u008D\u008F\u0090\u009D line"));
    QTest::keyClick(text(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Search::find(w.text_frame.text(), u"\u20AC", 1), 10);
    ctrl(Qt::Key_S);
    EXPECT_EQ(contents(file), '"' + field + "\"\r\n");
    EXPECT_EQ(services.messages.size(), 1);
    EXPECT_FALSE(w.isChanged());
}

TEST_F(FileCommandsTest, SaveAsWritesAnUnchangedDocumentAndTakesTheNewName) {
    const QString first = path(QStringLiteral("first.txt"));
    const QString second = path(QStringLiteral("second.txt"));
    type(QStringLiteral("same"));
    saveAs(first);
    saveAs(second);
    EXPECT_EQ(contents(second), QByteArray("\"same\"\r\n"));
    EXPECT_EQ(w.fileName(), second);
    EXPECT_FALSE(w.isChanged());
}

TEST_F(FileCommandsTest, OpenReadsBackWhatWasSavedQuotationMarksIncluded) {
    const QString file = path(QStringLiteral("quotes.txt"));
    const QString saved = QStringLiteral("ab\"cd, \u00E9\u20AC\r\nsecond \"line\"\r\n\r\n");
    w.text_frame.setText(saved);
    saveAs(file);
    ctrl(Qt::Key_N);
    open(file);
    EXPECT_EQ(w.text_frame.text(), saved);
    EXPECT_TRUE(w.hasFile());
    EXPECT_EQ(w.fileName(), file);
    EXPECT_FALSE(w.isChanged());

    // And the next save keeps every character.
    type(QStringLiteral("!"));
    ctrl(Qt::Key_S);
    EXPECT_EQ(contents(file), "\"!" + CodePage::encode(saved).bytes + "\"\r\n");
    // The open let the file go: it opens again.
    open(file);
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("!") + saved);
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(FileCommandsTest, OpenOfAPlainTextFileTakesItsFirstFieldOnly) {
    const QString file = path(QStringLiteral("plain.txt"));
    put(file, "one, two\r\nthree\r\n");
    open(file);
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("one"));
    EXPECT_TRUE(w.hasFile());
}

TEST_F(FileCommandsTest, OpenWithNothingChosenChangesNothing) {
    type(QStringLiteral("kept"));
    open(QString());
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("kept"));
    EXPECT_TRUE(w.isChanged());
    EXPECT_FALSE(w.hasFile());
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(FileCommandsTest, OpenOfAMissingFileSaysSoAndKeepsEverything) {
    const QString file = path(QStringLiteral("doc.txt"));
    type(QStringLiteral("mine"));
    saveAs(file);
    type(QStringLiteral("!"));
    open(path(QStringLiteral("absent.txt")));
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("That file does not exist")});
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("mine!"));
    EXPECT_EQ(w.fileName(), file);
    EXPECT_TRUE(w.isChanged());

    // The failed open let go of its channel: the saved file opens.
    open(file);
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("mine"));
    EXPECT_EQ(services.messages.size(), 1);
}

TEST_F(FileCommandsTest, OpenFailuresAreReportedAndTheTextSurvives) {
    const QString empty = path(QStringLiteral("empty.txt"));
    put(empty, "");
    const QString fifo = path(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile huge(path(QStringLiteral("huge.txt")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(FileChannels::maxInputSize() + 1));
    huge.close();
    const struct {
        QString path;
        const char* report;
    } cases[] = {
        {empty, "Run-time error '62': Input past end of file"},
        {dir.path(), "Run-time error '75': Path/File access error"},
        {path(QStringLiteral("missing/doc.txt")), "Run-time error '76': Path not found"},
        {fifo, "Run-time error '75': Path/File access error"},
        {QStringLiteral("/dev/zero"), "Run-time error '75': Path/File access error"},
        {huge.fileName(), "Run-time error '7': Out of memory"},
    };
    type(QStringLiteral("survivor"));
    for (const auto& c : cases) {
        services.messages.clear();
        open(c.path);
        EXPECT_EQ(services.messages,
                  (QStringList{QStringLiteral("There was an error"), QString::fromUtf8(c.report)}));
        EXPECT_EQ(w.text_frame.text(), QStringLiteral("survivor"));
        EXPECT_TRUE(w.isChanged());
        EXPECT_FALSE(w.hasFile());
    }
    EXPECT_FALSE(Program::hasEnded());
    type(QStringLiteral("!"));
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("survivor!"));

    // No failed open kept its channel: each case above met no "File already
    // open", and a good file opens after the last.
    const QString good = path(QStringLiteral("good.txt"));
    put(good, "\"fine\"\r\n");
    services.messages.clear();
    open(good);
    EXPECT_TRUE(services.messages.isEmpty());
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("fine"));
}

TEST_F(FileCommandsTest, TextTheCodePageCannotHoldIsNotSaved) {
    const QString file = path(QStringLiteral("doc.txt"));
    type(QStringLiteral("first"));
    saveAs(file);
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::sendKeyEvent(QTest::Click, text(), Qt::Key_unknown, QStringLiteral("\u03A9"),
                        Qt::NoModifier);
    ctrl(Qt::Key_S);
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("The text was not saved: the character \u201C\u03A9\u201D "
                                         "(U+03A9) on line 2 cannot be stored in a Windows-1252 "
                                         "document.")});
    EXPECT_EQ(contents(file), QByteArray("\"first\"\r\n"));
    EXPECT_TRUE(w.isChanged());

    saveAs(path(QStringLiteral("other.txt")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("other.txt"))));
    EXPECT_EQ(w.fileName(), file);
    EXPECT_EQ(folder(), QStringList{QStringLiteral("doc.txt")});
}

TEST_F(FileCommandsTest, ARefusedCharacterWithoutAGlyphIsNamedNotQuoted) {
    const QString file = path(QStringLiteral("doc.txt"));
    type(QStringLiteral("first"));
    saveAs(file);
    const auto refusal = [](const char* what) {
        return QStringLiteral("The text was not saved: %1 cannot be stored in a Windows-1252 "
                              "document.")
            .arg(QString::fromUtf8(what));
    };

    // Shift+Enter breaks the line as Enter does: the text can still be saved.
    QTest::keyClick(text(), Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("a"));
    ctrl(Qt::Key_S);
    EXPECT_TRUE(services.messages.isEmpty());
    EXPECT_EQ(contents(file), QByteArray("\"first\r\na\"\r\n"));

    const struct {
        QString text;
        const char* what;
    } cases[] = {
        {QStringLiteral("a\r\nb\u2028"), "the line separator (U+2028) on line 2"},
        {QStringLiteral("zero\u200Bwidth"), "the zero-width space (U+200B) on line 1"},
        {QStringLiteral("x\r\ny\r\n\u200Dz"), "the zero-width joiner (U+200D) on line 3"},
        {QStringLiteral("\uFEFFtext"), "the byte order mark (U+FEFF) on line 1"},
        {QStringLiteral("rtl\u200F"), "the right-to-left mark (U+200F) on line 1"},
        {QStringLiteral("next\u0085line"), "the next line character (U+0085) on line 1"},
        {QStringLiteral("c1\u0080"), "the control character (U+0080) on line 1"},
        {QStringLiteral("word\u2060joiner"), "the format character (U+2060) on line 1"},
        {QStringLiteral("wide\u3000space"), "the space character (U+3000) on line 1"},
        {QStringLiteral("thin\u2009space"), "the space character (U+2009) on line 1"},
        {QStringLiteral("lone") + QChar(0xD800), "the invisible character (U+D800) on line 1"},
        {QStringLiteral("emoji \U0001F600"),
         "the character \u201C\U0001F600\u201D (U+1F600) on line 1"},
    };
    for (const auto& c : cases) {
        services.messages.clear();
        w.text_frame.setText(c.text);
        ctrl(Qt::Key_S);
        EXPECT_EQ(services.messages, QStringList{refusal(c.what)}) << c.what;
    }
    EXPECT_EQ(contents(file), QByteArray("\"first\r\na\"\r\n"));
    EXPECT_TRUE(w.isChanged());
}

TEST_F(FileCommandsTest, AFailedSaveKeepsTheOldFileAndTheState) {
    const QString file = path(QStringLiteral("doc.txt"));
    type(QStringLiteral("old"));
    saveAs(file);
    w.text_frame.setText(QString(100000, u'n'));

    {
        TestFiles::FileSizeLimit limit(4096);
        ctrl(Qt::Key_S);
    }

    EXPECT_EQ(services.messages, QStringList{QStringLiteral("Run-time error '61': Disk full")});
    EXPECT_EQ(contents(file), QByteArray("\"old\"\r\n"));
    EXPECT_EQ(folder(), QStringList{QStringLiteral("doc.txt")});
    EXPECT_TRUE(w.isChanged());
    EXPECT_EQ(w.text_frame.text().size(), 100000);
}

TEST_F(FileCommandsTest, BinaryBytesOpenAndSaveBackUnchanged) {
    QByteArray odd("\"");
    for (int b = 0; b < 256; ++b)
        if (b != '"')
            odd.append(char(b));
    static const char tail[] =
        "\rlone CR, lone LF\n, NUL \0 and CR LF\r\n\x81\x8D\x8F\x90\x9D\"\r\n";
    odd.append(tail, sizeof tail - 1);
    const QString file = path(QStringLiteral("binary.bin"));
    put(file, odd);
    open(file);
    EXPECT_TRUE(services.messages.isEmpty());
    EXPECT_TRUE(w.hasFile());
    const QString copy = path(QStringLiteral("copy.bin"));
    saveAs(copy);
    EXPECT_EQ(contents(copy), odd);
}

TEST_F(FileCommandsTest, ASaveWhoseTargetChangedUnderfootFailsSafely) {
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    const QString inFolder = path(QStringLiteral("sub/doc.txt"));
    type(QStringLiteral("text"));
    saveAs(inFolder);
    type(QStringLiteral("!"));
    ASSERT_TRUE(QDir(path(QStringLiteral("sub"))).removeRecursively());
    ctrl(Qt::Key_S);
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Run-time error '76': Path not found")});
    EXPECT_TRUE(w.isChanged());

    // The file's name now belongs to a folder, which no save replaces.
    const QString file = path(QStringLiteral("doc.txt"));
    saveAs(file);
    type(QStringLiteral("?"));
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("doc.txt")));
    services.messages.clear();
    saveAs(file);
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Run-time error '75': Path/File access error")});
    EXPECT_TRUE(QFileInfo(file).isDir());
    EXPECT_TRUE(w.isChanged());
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("text!?"));
}

TEST_F(FileCommandsTest, AReadOnlyFileIsNotReplaced) {
    const QString file = path(QStringLiteral("locked.txt"));
    put(file, "\"locked\"\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    type(QStringLiteral("new"));
    saveAs(file);
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Run-time error '75': Path/File access error")});
    EXPECT_EQ(contents(file), QByteArray("\"locked\"\r\n"));
    EXPECT_FALSE(w.hasFile());
    EXPECT_TRUE(w.isChanged());
}

// Stand-ins for a disk that fails.
int failsWithIo(int) {
    errno = EIO;
    return -1;
}
int refusesNewFiles(int folder, const char* name, int flags, mode_t mode) {
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EACCES;
        return -1;
    }
    return ::openat(folder, name, flags, mode);
}

TEST_F(FileCommandsTest, ASaveTheDiskDoesNotConfirmFailsAndKeepsTheOldFile) {
    const QString file = path(QStringLiteral("doc.txt"));
    type(QStringLiteral("old"));
    saveAs(file);
    type(QStringLiteral(" and new"));
    {
        TestFiles::SystemCallStandIns calls;
        calls->fdatasync = failsWithIo;
        ctrl(Qt::Key_S);
    }
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Run-time error '57': Device I/O error")});
    EXPECT_EQ(contents(file), QByteArray("\"old\"\r\n"));
    EXPECT_EQ(folder(), QStringList{QStringLiteral("doc.txt")});
    EXPECT_TRUE(w.isChanged());

    // A file system without unnamed files: the named new file goes too.
    {
        TestFiles::SystemCallStandIns calls;
        calls->openat = TestFiles::hasNoUnnamedFiles;
        calls->fdatasync = failsWithIo;
        ctrl(Qt::Key_S);
    }
    EXPECT_EQ(folder(), QStringList{QStringLiteral("doc.txt")});
    EXPECT_EQ(contents(file), QByteArray("\"old\"\r\n"));

    // The rename itself is only durable once the folder is synced.
    {
        TestFiles::SystemCallStandIns calls;
        calls->fsync = failsWithIo;
        ctrl(Qt::Key_S);
    }
    EXPECT_EQ(services.messages.size(), 3);
    EXPECT_EQ(services.messages.value(2), services.messages.value(0));
    EXPECT_TRUE(w.isChanged());

    ctrl(Qt::Key_S);
    EXPECT_EQ(services.messages.size(), 3);
    EXPECT_EQ(contents(file), QByteArray("\"old and new\"\r\n"));
    EXPECT_FALSE(w.isChanged());
}

TEST_F(FileCommandsTest, ASaveKeepsHardLinksAndWritesInPlaceWhereNoNewFileCanBeMade) {
    const QString file = path(QStringLiteral("doc.txt"));
    const QString other = path(QStringLiteral("other name.txt"));
    put(file, "\"linked\"\r\n");
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()), 0);
    const ino_t inode = TestFiles::status(file).st_ino;
    editAndSave(file, QStringLiteral(" twice"));
    EXPECT_EQ(contents(other), QByteArray("\"linked twice\"\r\n"));
    EXPECT_EQ(TestFiles::status(file).st_ino, inode);
    EXPECT_EQ(TestFiles::status(file).st_nlink, 2u);

    // Shorter text: the file is cut to its new length.
    const QString single = path(QStringLiteral("single.txt"));
    put(single, "\"a longer old text\"\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(single).constData(), 0600), 0);
    {
        TestFiles::SystemCallStandIns calls;
        calls->openat = refusesNewFiles;
        open(single);
        w.text_frame.setText(QStringLiteral("short"));
        ctrl(Qt::Key_S);
    }
    EXPECT_TRUE(services.messages.isEmpty());
    EXPECT_EQ(contents(single), QByteArray("\"short\"\r\n"));
    EXPECT_EQ(TestFiles::status(single).st_mode & 0777, 0600u);
    EXPECT_FALSE(w.isChanged());
}

TEST_F(FileCommandsTest, AnInPlaceSaveThatRunsOutOfSpaceLeavesTheOldText) {
    const QString file = path(QStringLiteral("doc.txt"));
    const QByteArray old = '"' + QByteArray(3000, 'o') + "\"\r\n";
    put(file, old);
    ASSERT_EQ(::link(QFile::encodeName(file).constData(),
                     QFile::encodeName(path(QStringLiteral("link.txt"))).constData()),
              0);
    open(file);
    w.text_frame.setText(QString(100000, u'n'));
    {
        TestFiles::FileSizeLimit limit(4096);
        ctrl(Qt::Key_S);
    }
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("Run-time error '61': Disk full")});
    EXPECT_EQ(contents(file), old);
    EXPECT_EQ(folder(), (QStringList{QStringLiteral("doc.txt"), QStringLiteral("link.txt")}));
    EXPECT_TRUE(w.isChanged());
}

TEST_F(FileCommandsTest, ASaveKeepsTheOwnerOfSomeoneElsesFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "Giving a file to another user needs root; this suite runs as root in CI.";
    const QString file = path(QStringLiteral("theirs.txt"));
    put(file, "\"theirs\"\r\n");
    const QByteArray name = QFile::encodeName(file);
    ASSERT_EQ(::chown(name.constData(), 4242, 4343), 0);
    ASSERT_EQ(::chmod(name.constData(), 0640), 0);

    editAndSave(file, QStringLiteral(" edited"));
    struct stat info = TestFiles::status(file);
    EXPECT_EQ(contents(file), QByteArray("\"theirs edited\"\r\n"));
    EXPECT_EQ(info.st_uid, 4242u);
    EXPECT_EQ(info.st_gid, 4343u);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // Where the owner cannot be given to a new file, the file is written in place.
    {
        TestFiles::SystemCallStandIns calls;
        calls->fchown = [](int, uid_t, gid_t) {
            errno = EPERM;
            return -1;
        };
        type(QStringLiteral(" again"));
        ctrl(Qt::Key_S);
    }
    const ino_t inode = info.st_ino;
    info = TestFiles::status(file);
    EXPECT_EQ(contents(file), QByteArray("\"theirs edited again\"\r\n"));
    EXPECT_EQ(info.st_ino, inode);
    EXPECT_EQ(info.st_uid, 4242u);
    EXPECT_TRUE(services.messages.isEmpty());
}

} // namespace

namespace {

int refusesNewFilesWithoutPermission(int folder, const char* name, int flags, mode_t mode) {
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EPERM;
        return -1;
    }
    return ::openat(folder, name, flags, mode);
}

TEST_F(FileCommandsTest, ASaveKeepsWhatTheFileIsAndAPathThroughAFileIsNotFound) {
    // A folder that refuses new files outright (EPERM): the save goes in place.
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, "\"old\"\r\n");
    const ino_t inode = TestFiles::status(file).st_ino;
    {
        TestFiles::SystemCallStandIns calls;
        calls->openat = refusesNewFilesWithoutPermission;
        editAndSave(file, QStringLiteral(" new"));
    }
    EXPECT_TRUE(services.messages.isEmpty());
    EXPECT_EQ(contents(file), QByteArray("\"old new\"\r\n"));
    EXPECT_EQ(TestFiles::status(file).st_ino, inode);

    // A file whose group alone differs from a new file's keeps its group.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(file).constData(), 0, 4343), 0);
        editAndSave(file, QStringLiteral("!"));
        EXPECT_EQ(contents(file), QByteArray("\"old new!\"\r\n"));
        EXPECT_EQ(TestFiles::status(file).st_gid, 4343u);
        EXPECT_EQ(TestFiles::status(file).st_uid, 0u);
    }

    services.messages.clear();
    open(file + QStringLiteral("/x"));
    EXPECT_EQ(services.messages,
              (QStringList{QStringLiteral("There was an error"),
                           QStringLiteral("Run-time error '76': Path not found")}));
}

TEST_F(FileCommandsTest, ADocumentOfManyPiecesOpensAndSavesWhole) {
    // Read a megabyte at a time, the file parts between the CR and LF of a
    // line break and between those of its closing mark; the text to save
    // then has a character the code page cannot hold in its second piece.
    const qsizetype piece = FieldPieces::DefaultPieceSize;
    const QString text =
        QString(piece - 2, u'a') + QStringLiteral("\r\n\u20AC") + QString(piece - 4, u'b');
    const QByteArray bytes =
        '"' + QByteArray(piece - 2, 'a') + "\r\n\x80" + QByteArray(piece - 4, 'b');
    const QString file = path(QStringLiteral("big.txt"));
    put(file, bytes + "\"\r\n");
    ASSERT_EQ(contents(file).size(), 2 * piece + 1);
    editAndSave(file, QStringLiteral("c"));
    EXPECT_TRUE(w.text_frame.text() == text + u'c');
    EXPECT_TRUE(contents(file) == bytes + "c\"\r\n");
    EXPECT_TRUE(services.messages.isEmpty());

    const QByteArray saved = contents(file);
    w.text_frame.setText(text + QStringLiteral("\u03A9"));
    ctrl(Qt::Key_S);
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("The text was not saved: the character \u201C\u03A9\u201D "
                                         "(U+03A9) on line 2 cannot be stored in a Windows-1252 "
                                         "document.")});
    EXPECT_TRUE(contents(file) == saved);
}

} // namespace
