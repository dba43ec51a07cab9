#include "OutputFile.h"

#include "Sqlite2Reader.h"
#include "ToolError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <streambuf>

namespace kelvara::dbtool {

namespace {

std::string systemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

std::string folderOf(const std::string& path)
{
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

// The final file a path leads to through any links; the path itself when that fails.
std::string resolved(const std::string& path)
{
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : path;
}

// Same file: the same inode on the same device, whatever the names.
bool sameFile(const struct stat& a, const std::string& other)
{
    struct stat b {};
    return stat(other.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool beginsAsDatabase(const std::string& path)
{
    char head[16] = {};
    std::ifstream(path, std::ios::binary).read(head, sizeof head);
    return std::memcmp(head, "SQLite format 3", 16) == 0 || sqlite2::hasSqlite2Header(path);
}

void syncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Moves from onto to only while to does not exist: renameat2 where the file system has it,
// else a hard link (which fails on an existing name) and an unlink.
int renameNoReplace(const std::string& from, const std::string& to)
{
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
#endif
    if (link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    unlink(from.c_str());
    return 0;
}

}  // namespace

// Writes through a file descriptor in large blocks.
class OutputFile::Buffer : public std::streambuf {
public:
    explicit Buffer(int fd) : m_fd(fd) { setp(m_data, m_data + sizeof m_data); }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain()
    {
        const char* p = pbase();
        while (p < pptr()) {
            const ssize_t n = write(m_fd, p, static_cast<std::size_t>(pptr() - p));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            p += n;
        }
        setp(m_data, m_data + sizeof m_data);
        return true;
    }

    int m_fd;
    char m_data[1 << 16];
};

OutputFile::OutputFile(const std::string& target, Mode mode) : m_target(target), m_mode(mode)
{
    struct stat link {};
    const bool exists = lstat(target.c_str(), &link) == 0;
    if (mode == Mode::NewFile && exists) {
        throw ToolError(target + " already exists; refusing to overwrite it");
    }
    if (exists) {
        struct stat file {};
        if (stat(target.c_str(), &file) != 0) {
            throw ToolError(target + " is a symbolic link that leads nowhere; refusing to "
                                     "write through it");
        }
        if (S_ISDIR(file.st_mode)) {
            throw ToolError(target + " is a folder; name a file to write");
        }
        if (!S_ISREG(file.st_mode)) {
            // A pipe, terminal or device takes the bytes as they come.
            m_fd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            if (m_fd < 0) {
                throw ToolError(systemError("cannot write " + target, errno));
            }
            m_straight = true;
            m_work = target;
            return;
        }
        // A link to a regular file: the file it leads to is the one replaced.
        m_target = resolved(target);
    }

    std::string pattern = m_target + ".partial-XXXXXX";
    m_fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) {
        throw ToolError(systemError("cannot create a file in " + folderOf(m_target), errno));
    }
    m_work = pattern;
    // mkstemp makes the file private; give it the mode the replaced file had, or the usual one.
    struct stat old {};
    mode_t permissions = 0;
    if (exists && stat(m_target.c_str(), &old) == 0) {
        permissions = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        permissions = 0666 & ~mask;
    }
    fchmod(m_fd, permissions);
}

OutputFile::~OutputFile()
{
    if (m_fd >= 0) {
        close(m_fd);
    }
    if (!m_done && !m_straight) {
        unlink(m_work.c_str());
    }
}

std::ostream& OutputFile::stream()
{
    if (!m_stream) {
        m_buffer = std::make_unique<Buffer>(m_fd);
        m_stream = std::make_unique<std::ostream>(m_buffer.get());
    }
    return *m_stream;
}

void OutputFile::commit()
{
    finish(m_target);
}

void OutputFile::commitAs(const std::string& name)
{
    if (m_mode != Mode::NewFile) {
        throw ToolError("a replacing output has one name only");
    }
    finish(name);
}

void OutputFile::finish(const std::string& name)
{
    if (m_stream && !m_stream->flush()) {
        throw ToolError(systemError("cannot write " + m_target, errno));
    }
    if (!m_straight && fsync(m_fd) != 0) {
        throw ToolError(systemError("cannot write " + m_target, errno));
    }
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0 && !m_straight) {
        throw ToolError(systemError("cannot write " + m_target, errno));
    }
    if (m_straight) {
        m_done = true;
        return;
    }
    if (m_mode == Mode::Replace) {
        if (std::rename(m_work.c_str(), name.c_str()) != 0) {
            throw ToolError(systemError("cannot replace " + name, errno));
        }
    } else if (const int error = renameNoReplace(m_work, name)) {
        throw ToolError(error == EEXIST ? name + " already exists; refusing to overwrite it"
                                        : systemError("cannot create " + name, error));
    }
    m_done = true;
    syncFolder(folderOf(name));
}

void refuseDatabaseTarget(const std::string& target, const std::vector<std::string>& inputs)
{
    struct stat file {};
    const bool exists = stat(target.c_str(), &file) == 0;
    std::error_code ec;
    const std::string where =
        std::filesystem::weakly_canonical(std::filesystem::absolute(target), ec).string();
    for (const std::string& input : inputs) {
        if (exists && sameFile(file, input)) {
            throw ToolError(target + " is the catalogue " + input +
                            " itself; refusing to write over it");
        }
        const std::string base =
            std::filesystem::weakly_canonical(std::filesystem::absolute(input), ec).string();
        for (const char* suffix : {"-journal", "-wal", "-shm"}) {
            if (where == base + suffix) {
                throw ToolError(target + " belongs to the catalogue " + input +
                                "; refusing to write over it");
            }
        }
    }
    if (exists && S_ISREG(file.st_mode) && beginsAsDatabase(target)) {
        throw ToolError(target + " is a database; refusing to write over it (name a new "
                                 "file, or remove it first)");
    }
}

}  // namespace kelvara::dbtool
