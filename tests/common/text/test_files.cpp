#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/text/files.h"
#include "common/text/gbkcodec.h"
#include "tests/support/tempprogramfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

using namespace common;

namespace {

// Declared first, so it runs before any fixture sets the folder.
TEST(ProgramDirectory, DefaultsToTheExecutableFolder)
{
    EXPECT_EQ(program_directory(), from_qstring(QCoreApplication::applicationDirPath()));
    EXPECT_NE(program_directory().back(), '/');
}

// Every test gets its own program folder; plain names land there.
class Files : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.valid()); }
    void TearDown() override { close_all_files(); }

    void put(const QString& name, const QByteArray& bytes) const { ASSERT_TRUE(folder.write_file(name, bytes)); }

    TempProgramFolder folder;
};

TEST_F(Files, ModesThatNeedAnExistingFile)
{
    for (int mode : {1, 2, 3}) {
        EXPECT_EQ(open_file("missing.txt", mode), 0) << mode;
        EXPECT_FALSE(folder.exists("missing.txt")) << mode;
    }
    EXPECT_EQ(read_text(0), "");

    put("a.txt", "abcdef");
    int f = open_file("a.txt", 1);
    ASSERT_NE(f, 0);
    EXPECT_FALSE(write_text(f, "no"));
    EXPECT_EQ(read_text(f), "abcdef");
    close_file(f);

    f = open_file("a.txt", 2);
    ASSERT_NE(f, 0);
    EXPECT_TRUE(write_text(f, "XY"));
    EXPECT_EQ(read_text(f), "");
    close_file(f);
    EXPECT_EQ(folder.read_file("a.txt"), "XYcdef");

    f = open_file("a.txt"); // mode 3
    ASSERT_NE(f, 0);
    EXPECT_EQ(read_text(f, 2), "XY");
    EXPECT_TRUE(write_text(f, "_"));
    EXPECT_EQ(read_text(f), "def");
    close_file(f);
    EXPECT_EQ(folder.read_file("a.txt"), "XY_def");
}

TEST_F(Files, ModesThatCreate)
{
    int f = open_file("four.txt", 4);
    ASSERT_NE(f, 0);
    close_file(f);
    EXPECT_TRUE(folder.exists("four.txt"));
    EXPECT_EQ(folder.read_file("four.txt"), "");

    put("four.txt", "old content");
    f = open_file("four.txt", 4, 4);
    ASSERT_NE(f, 0);
    EXPECT_TRUE(write_text(f, "x", 5));
    close_file(f);
    EXPECT_EQ(folder.read_file("four.txt"), "x5");

    put("five.txt", "12345");
    f = open_file("five.txt", 5);
    ASSERT_NE(f, 0);
    EXPECT_TRUE(write_text(f, "ab"));
    EXPECT_EQ(read_text(f), "");
    close_file(f);
    EXPECT_EQ(folder.read_file("five.txt"), "ab345");

    f = open_file("six.txt", 6);
    ASSERT_NE(f, 0);
    EXPECT_TRUE(write_text(f, 2.5, true, -3));
    close_file(f);
    EXPECT_EQ(folder.read_file("six.txt"), QByteArray("2.5\xD5\xE6-3"));
    f = open_file("six.txt", 6);
    EXPECT_EQ(read_text(f), "2.5真-3");
}

TEST_F(Files, RefusedArgumentsGiveZero)
{
    put("a.txt", "x");
    EXPECT_EQ(open_file("", 1), 0);
    EXPECT_EQ(open_file("a.txt", 0), 0);
    EXPECT_EQ(open_file("a.txt", 7), 0);
    EXPECT_EQ(open_file("a.txt", 1, 0), 0);
    EXPECT_EQ(open_file("a.txt", 1, 5), 0);
    EXPECT_EQ(open_file(GbkText("a.txt\0zzz", 9), 4), 0);
    ASSERT_TRUE(QDir(folder.path()).mkdir("folder"));
    EXPECT_EQ(open_file("folder", 1), 0);
    EXPECT_EQ(open_file("folder", 6), 0);
    close_file(0);
    close_file(12345);
    EXPECT_FALSE(write_text(0, "x"));
}

TEST_F(Files, ReadTextEndsAtZeroOrCtrlZ)
{
    put("z.txt", QByteArray("ab\x1A"
                            "cd",
                            5));
    int f = open_file("z.txt", 1);
    EXPECT_EQ(read_text(f), "ab");
    close_file(f);

    put("n.txt", QByteArray("ab\0cd", 5));
    f = open_file("n.txt", 1);
    EXPECT_EQ(read_text(f), "ab");
    close_file(f);

    put("c.txt", "abcdef");
    f = open_file("c.txt", 1);
    EXPECT_EQ(read_text(f, 0), "");
    EXPECT_EQ(read_text(f, 4), "abcd");
    EXPECT_EQ(read_text(f, 10), "ef");
    EXPECT_EQ(read_text(f), "");
    close_file(f);
    EXPECT_EQ(read_text(f), "");
}

TEST_F(Files, LargeFilesReadWhole)
{
    QByteArray big(300000, 'q');
    big[299999] = 'z';
    put("big.txt", big);
    const int f = open_file("big.txt", 1);
    const GbkText text = read_text(f);
    EXPECT_EQ(text.size(), 300000u);
    EXPECT_EQ(text.back(), 'z');
    EXPECT_EQ(read_file("big.txt"), big);
}

TEST_F(Files, FileNumbersAreNotReused)
{
    put("a.txt", "A");
    put("b.txt", "B");
    const int a = open_file("a.txt", 1);
    close_file(a);
    const int b = open_file("b.txt", 1);
    EXPECT_NE(a, b);
    EXPECT_EQ(read_text(a), "");
    EXPECT_EQ(read_text(b), "B");
}

TEST_F(Files, ExclusiveShareKeepsEveryOtherOpenOut)
{
    put("config.txt", "keep me");
    const int held = open_file("config.txt", 3, 4);
    ASSERT_NE(held, 0);
    for (int mode = 1; mode <= 6; ++mode)
        EXPECT_EQ(open_file("config.txt", mode), 0) << mode;
    EXPECT_EQ(read_file("config.txt"), ByteData());
    // The refused mode-4 open did not empty the file.
    EXPECT_EQ(folder.read_file("config.txt"), "keep me");
    close_file(held);

    const int again = open_file("config.txt", 1);
    EXPECT_NE(again, 0);
    // An exclusive open is refused while anyone has the file open.
    EXPECT_EQ(open_file("config.txt", 4, 4), 0);
    EXPECT_EQ(folder.read_file("config.txt"), "keep me");
}

TEST_F(Files, SharesDenyReadingOrWriting)
{
    put("s.txt", "s");
    int first = open_file("s.txt", 5, 3); // writes, others may not write
    ASSERT_NE(first, 0);
    EXPECT_NE(open_file("s.txt", 1, 1), 0);
    EXPECT_EQ(open_file("s.txt", 2, 1), 0);
    EXPECT_EQ(open_file("s.txt", 6, 1), 0);
    close_all_files();

    first = open_file("s.txt", 5, 2); // writes, others may not read
    ASSERT_NE(first, 0);
    EXPECT_EQ(open_file("s.txt", 1, 1), 0);
    EXPECT_EQ(open_file("s.txt", 3, 1), 0);
    EXPECT_NE(open_file("s.txt", 2, 1), 0);
    close_all_files();

    // A new open may not deny what an earlier open already does.
    first = open_file("s.txt", 1, 1);
    ASSERT_NE(first, 0);
    EXPECT_EQ(open_file("s.txt", 2, 2), 0);
    EXPECT_NE(open_file("s.txt", 2, 3), 0);
    close_all_files();

    // read_file lets others read but not write.
    first = open_file("s.txt", 1, 1);
    EXPECT_EQ(read_file("s.txt"), "s");
    close_file(first);
    first = open_file("s.txt", 3, 1);
    EXPECT_EQ(read_file("s.txt"), ByteData());
}

TEST_F(Files, SharesHoldBetweenProcesses)
{
    put("shared.txt", "x");
    int ready[2];
    int done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Holds the file exclusively until the parent has tried it.
        char reply = open_file("shared.txt", 3, 4) != 0 ? 'y' : 'n';
        (void)!write(ready[1], &reply, 1);
        (void)!read(done[0], &reply, 1);
        _exit(0);
    }
    char reply = 0;
    ASSERT_EQ(read(ready[0], &reply, 1), 1);
    EXPECT_EQ(reply, 'y');
    EXPECT_EQ(open_file("shared.txt", 1), 0);
    ASSERT_EQ(write(done[1], "x", 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_NE(open_file("shared.txt", 1), 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        close(fd);
}

TEST_F(Files, ReadCopyRemoveExist)
{
    EXPECT_EQ(read_file("none.bin"), ByteData());
    EXPECT_EQ(read_file(""), ByteData());
    const QByteArray picture("\xFF\xD8\x00\x1A\x00\xFF", 6);
    put("ht1.jpg", picture);
    EXPECT_EQ(read_file("ht1.jpg"), picture);

    EXPECT_TRUE(copy_file("ht1.jpg", "copy.jpg"));
    EXPECT_EQ(folder.read_file("copy.jpg"), picture);
    put("other.jpg", "a much longer old picture");
    EXPECT_TRUE(copy_file("ht1.jpg", "other.jpg"));
    EXPECT_EQ(folder.read_file("other.jpg"), picture);
    EXPECT_FALSE(copy_file("none.bin", "copy2.jpg"));
    EXPECT_FALSE(folder.exists("copy2.jpg"));

    // Copying a file onto itself must not destroy it.
    EXPECT_FALSE(copy_file("ht1.jpg", "ht1.jpg"));
    EXPECT_FALSE(copy_file("ht1.jpg", program_directory() + "\\ht1.jpg"));
    EXPECT_EQ(folder.read_file("ht1.jpg"), picture);

    EXPECT_TRUE(file_exists("ht1.jpg"));
    EXPECT_FALSE(file_exists("none.bin"));
    EXPECT_FALSE(file_exists(""));
    ASSERT_TRUE(QDir(folder.path()).mkdir("folder"));
    EXPECT_TRUE(file_exists("folder"));
    EXPECT_FALSE(remove_file("folder"));

    EXPECT_TRUE(remove_file("copy.jpg"));
    EXPECT_FALSE(folder.exists("copy.jpg"));
    EXPECT_FALSE(remove_file("copy.jpg"));
    EXPECT_FALSE(remove_file(""));
}

TEST_F(Files, NamesAreGbkWithBackslashSeparators)
{
    // Handlers build names as program_directory() + "\" + name.
    const int f = open_file(program_directory() + "\\config.txt", 4, 4);
    ASSERT_NE(f, 0);
    EXPECT_TRUE(write_text(f, "1"));
    close_file(f);
    EXPECT_EQ(folder.read_file("config.txt"), "1");

    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("词库")));
    EXPECT_NE(open_file("词库\\成语.txt", 4), 0);
    EXPECT_TRUE(folder.exists(QStringLiteral("词库/成语.txt")));
    EXPECT_TRUE(file_exists(program_directory() + "\\词库\\成语.txt"));

    // The trail byte of this character is 0x5C: it is no separator.
    const GbkText name = "\x95\x5C.txt";
    EXPECT_NE(open_file(name, 4), 0);
    EXPECT_TRUE(folder.exists(to_qstring(name)));
    EXPECT_EQ(to_qstring(name).size(), 5);
}

TEST_F(Files, AFifoIsRefusedWithoutHanging)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(folder.file_path("pipe")).constData(), 0666), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(open_file("pipe", 1), 0);
    EXPECT_EQ(read_file("pipe"), ByteData());
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(ProgramDirectory, DropsTrailingSeparators)
{
    set_program_directory("/srv/oruvan/");
    EXPECT_EQ(program_directory(), "/srv/oruvan");
    set_program_directory("/srv/oruvan\\");
    EXPECT_EQ(program_directory(), "/srv/oruvan");
    set_program_directory("/srv/\x95\x5C");
    EXPECT_EQ(program_directory(), "/srv/\x95\x5C");
}

} // namespace
