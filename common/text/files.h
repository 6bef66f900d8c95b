#pragma once

#include "common/text/bytedata.h"
#include "common/text/gbktext.h"
#include "common/text/numbers.h"

// File operations. Names are GBK; a backslash separates folders as well as '/'. A relative name
// resolves in program_directory(). File numbers are ints; 0 means the open failed.
//
// Share modes are kept with advisory locks (open file description locks), so they hold between
// our own programs and every open_file in this one. Linux cannot make them bind a program that
// takes no such locks: an outside program (the FTP server, an editor) may still read or write a
// file that we hold exclusively.
namespace common {

// Open modes: what this program does with the file and whether it is made or emptied.
inline constexpr int kOpenRead = 1;
inline constexpr int kOpenWrite = 2;           // must exist, kept
inline constexpr int kOpenReadWrite = 3;       // must exist
inline constexpr int kOpenCreateEmpty = 4;     // write; created, emptied
inline constexpr int kOpenCreateKeep = 5;      // write; created, kept
inline constexpr int kOpenReadWriteCreate = 6; // created, kept
// Share modes: what others may do with the file while it is open here.
inline constexpr int kShareReadWrite = 1;
inline constexpr int kShareDenyRead = 2;
inline constexpr int kShareDenyWrite = 3;
inline constexpr int kShareExclusive = 4;

// Any other mode or share value fails the open.
int open_file(const GbkText& name, int mode = kOpenReadWrite, int share = kShareReadWrite);
void close_file(int file_number);

// Reads count bytes (negative: the rest) from the current position, ending before a 0 or 0x1A byte.
GbkText read_text(int file_number, int count = -1);

bool write_bytes(int file_number, const GbkText& bytes);
// Writes every value converted by to_text, with no separator.
template <typename... Values> bool write_text(int file_number, const Values&... values)
{
    return write_bytes(file_number, (GbkText{} + ... + to_text(values)));
}

ByteData read_file(const GbkText& name);
// The whole text of a file (up to its first 0 or Ctrl-Z byte), opened, read and closed at once;
// empty when it cannot be opened with these modes.
GbkText read_whole_text(const GbkText& name, int mode = kOpenReadWrite, int share = kShareReadWrite);
// Replaces a file's content with text, holding it alone while it writes; false when it cannot.
bool write_whole_text(const GbkText& name, const GbkText& text);
bool remove_file(const GbkText& name);
bool copy_file(const GbkText& source, const GbkText& target);
bool file_exists(const GbkText& name);

// The folder holding the program file, without a trailing separator: the one given to
// set_program_directory, else the executable's folder.
GbkText program_directory();
// Program start-up passes the executable's folder, tests a temporary folder.
void set_program_directory(const GbkText& folder);

// Closes every open file (run at program exit).
void close_all_files();

} // namespace common
