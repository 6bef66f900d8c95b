#include "common/text/files.h"

#include <cerrno>
#include <climits>
#include <map>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/text/gbkcodec.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace common {
namespace {

struct OpenFile
{
    int fd = -1;
    // Holds the share locks: the file itself when it is open for reading (a shared lock needs a
    // readable descriptor), else a second read-only descriptor, or -1 when none could be had.
    int lock_fd = -1;
};

// Close every file still open when the program ends.
class FileTable final
{
public:
    ~FileTable() { close_all(); }

    int add(OpenFile file)
    {
        const int number = m_next++;
        m_files.emplace(number, file);
        return number;
    }
    OpenFile* find(int number)
    {
        const auto it = m_files.find(number);
        return it == m_files.end() ? nullptr : &it->second;
    }
    void close(int number)
    {
        const auto it = m_files.find(number);
        if (it == m_files.end())
            return;
        release(it->second);
        m_files.erase(it);
    }
    void close_all()
    {
        for (auto& [number, file] : m_files)
            release(file);
        m_files.clear();
    }
    static void release(const OpenFile& file)
    {
        if (file.lock_fd >= 0 && file.lock_fd != file.fd)
            ::close(file.lock_fd);
        ::close(file.fd);
    }

private:
    std::map<int, OpenFile> m_files;
    // Numbers are never reused, so a stale number cannot reach a file opened later.
    int m_next = 1;
};

FileTable& files()
{
    static FileTable table;
    return table;
}

std::optional<GbkText> g_program_directory;

// Backslashes become '/', walking characters: a trail byte 0x5C is part of a character.
GbkText with_slashes(const GbkText& name)
{
    GbkText out = name;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (static_cast<unsigned char>(out[i]) >= 0x80)
            ++i;
        else if (out[i] == '\\')
            out[i] = '/';
    }
    return out;
}

QByteArray to_native(const GbkText& gbk_path)
{
    return to_qstring(gbk_path).toUtf8();
}

// The file system path of a GBK name; empty for a name no file can have.
QByteArray native_path(const GbkText& name)
{
    if (name.empty() || name.find('\0') != GbkText::npos)
        return {};
    const GbkText path = with_slashes(name);
    if (path.front() == '/')
        return to_native(path);
    return to_native(program_directory() + "/" + path);
}

// Lock bytes far beyond any real content: readers and writers of the file each hold a shared lock
// on the byte for what they do and on the byte for what they deny others.
enum LockByte : off_t
{
    kAccessRead = LLONG_MAX - 4,
    kAccessWrite,
    kDenyRead,
    kDenyWrite,
};

bool lock_shared(int fd, off_t byte)
{
    struct flock lock
    {
    };
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Whether another open file description holds a lock on the byte.
bool held_by_others(int fd, off_t byte)
{
    struct flock probe
    {
    };
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = byte;
    probe.l_len = 1;
    if (fcntl(fd, F_OFD_GETLK, &probe) != 0)
        return false;
    return probe.l_type != F_UNLCK;
}

// Takes this open's locks first and then looks for conflicting ones, so two racing opens can
// never both succeed against each other's share mode.
bool take_share_locks(int fd, bool read, bool write, bool deny_read, bool deny_write)
{
    if ((read && !lock_shared(fd, kAccessRead)) || (write && !lock_shared(fd, kAccessWrite)) ||
        (deny_read && !lock_shared(fd, kDenyRead)) || (deny_write && !lock_shared(fd, kDenyWrite))) {
        // A file system without such locks cannot keep share modes; the open goes ahead.
        return errno != EAGAIN && errno != EACCES;
    }
    return !((read && held_by_others(fd, kDenyRead)) || (write && held_by_others(fd, kDenyWrite)) ||
             (deny_read && held_by_others(fd, kAccessRead)) || (deny_write && held_by_others(fd, kAccessWrite)));
}

bool write_all(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads up to limit bytes (negative: to the end); nullopt on a read error.
std::optional<QByteArray> read_bytes(int fd, qsizetype limit)
{
    QByteArray data;
    char buffer[65536];
    while (limit < 0 || data.size() < limit) {
        const auto want = limit < 0 ? sizeof buffer : std::min<std::size_t>(sizeof buffer, limit - data.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        data.append(buffer, n);
    }
    return data;
}

} // namespace

int open_file(const GbkText& name, int mode, int share)
{
    if (mode < kOpenRead || mode > kOpenReadWriteCreate || share < kShareReadWrite || share > kShareExclusive)
        return 0;
    const QByteArray path = native_path(name);
    if (path.isEmpty())
        return 0;

    const bool read = mode == kOpenRead || mode == kOpenReadWrite || mode == kOpenReadWriteCreate;
    const bool write = mode != kOpenRead;
    int flags = (read && write) ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
    if (mode >= kOpenCreateEmpty)
        flags |= O_CREAT;
    // Non-blocking so that a FIFO cannot hang the open; only regular files are accepted below.
    const int fd = ::open(path.constData(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return 0;
    struct stat info
    {
    };
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return 0;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    OpenFile file{fd, read ? fd : ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.lock_fd >= 0 &&
        !take_share_locks(file.lock_fd, read, write, share == kShareDenyRead || share == kShareExclusive,
                          share == kShareDenyWrite || share == kShareExclusive)) {
        FileTable::release(file);
        return 0;
    }
    // Emptied only once the share check has passed, so a refused open leaves the content alone.
    if (mode == kOpenCreateEmpty && ftruncate(fd, 0) != 0) {
        FileTable::release(file);
        return 0;
    }
    return files().add(file);
}

void close_file(int file_number)
{
    files().close(file_number);
}

void close_all_files()
{
    files().close_all();
}

GbkText read_text(int file_number, int count)
{
    const OpenFile* file = files().find(file_number);
    if (file == nullptr || count == 0)
        return {};
    const auto data = read_bytes(file->fd, count < 0 ? -1 : qsizetype{count});
    if (!data)
        return {};
    qsizetype end = 0;
    while (end < data->size() && data->at(end) != '\0' && data->at(end) != '\x1A')
        ++end;
    return GbkText(data->constData(), static_cast<std::size_t>(end));
}

bool write_bytes(int file_number, const GbkText& bytes)
{
    const OpenFile* file = files().find(file_number);
    return file != nullptr && write_all(file->fd, bytes.data(), bytes.size());
}

ByteData read_file(const GbkText& name)
{
    const int number = open_file(name, kOpenRead, kShareDenyWrite);
    if (number == 0)
        return {};
    auto data = read_bytes(files().find(number)->fd, -1);
    close_file(number);
    return data.value_or(ByteData{});
}

GbkText read_whole_text(const GbkText& name, int mode, int share)
{
    const int number = open_file(name, mode, share);
    if (number == 0)
        return {};
    GbkText text = read_text(number);
    close_file(number);
    return text;
}

bool write_whole_text(const GbkText& name, const GbkText& text)
{
    const int number = open_file(name, kOpenCreateEmpty, kShareExclusive);
    if (number == 0)
        return false;
    const bool written = write_bytes(number, text);
    close_file(number);
    return written;
}

bool remove_file(const GbkText& name)
{
    const QByteArray path = native_path(name);
    return !path.isEmpty() && ::unlink(path.constData()) == 0;
}

bool copy_file(const GbkText& source, const GbkText& target)
{
    // The source denies writers and the target is opened alone: a copy onto itself is refused
    // before the target would be emptied.
    const int from = open_file(source, kOpenRead, kShareDenyWrite);
    if (from == 0)
        return false;
    const int to = open_file(target, kOpenCreateEmpty, kShareExclusive);
    bool ok = to != 0;
    if (ok) {
        const int in = files().find(from)->fd;
        const int out = files().find(to)->fd;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            if (!write_all(out, buffer, static_cast<std::size_t>(n))) {
                ok = false;
                break;
            }
        }
    }
    close_file(to);
    close_file(from);
    return ok;
}

bool file_exists(const GbkText& name)
{
    const QByteArray path = native_path(name);
    struct stat info
    {
    };
    return !path.isEmpty() && ::stat(path.constData(), &info) == 0;
}

GbkText program_directory()
{
    if (!g_program_directory) {
        const QString folder =
            QCoreApplication::instance()
                ? QCoreApplication::applicationDirPath()
                : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
        set_program_directory(from_qstring(folder));
    }
    return *g_program_directory;
}

void set_program_directory(const GbkText& folder)
{
    GbkText path = with_slashes(folder);
    // '/' is never a trail byte, so trailing separators can go byte by byte.
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    g_program_directory = path;
}

} // namespace common
