#include "OutputFile.h"

#include "LeftoverFiles.h"
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

// The descriptor a name stands for: /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N;
// -1 for any other name.
int namedDescriptor(const std::string& name)
{
    if (name == "/dev/stdout")
        return STDOUT_FILENO;
    if (name == "/dev/stderr")
        return STDERR_FILENO;
    for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (name.size() > prefix.size() && name.size() <= prefix.size() + 9
            && name.compare(0, prefix.size(), prefix) == 0
            && name.find_first_not_of("0123456789", prefix.size()) == std::string::npos)
            return std::stoi(name.substr(prefix.size()));
    }
    return -1;
}

// SQLite keeps a catalogue's unfinished writes in files named after it, found by the
// folder they are in and their name. A file written under such a name would be taken for
// one (and deleted, or "rolled back" into the catalogue, by the next open).
void refuseJournalName(const std::string& target)
{
    const std::filesystem::path path(target);
    const std::string name = path.filename().string();
    for (const std::string suffix : {"-journal", "-wal", "-shm"}) {
        if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        // The stem looked up in the target's own folder: the same file whatever path,
        // link or bind mount led there.
        const std::string stem =
            (std::filesystem::path(folderOf(target)) / name.substr(0, name.size() - suffix.size())).string();
        struct stat file {};
        if (stat(stem.c_str(), &file) == 0 && S_ISREG(file.st_mode)
            && (file.st_size == 0 || beginsAsDatabase(stem))) {
            throw ToolError(target + " is where SQLite keeps the unfinished writes of "
                            + target.substr(0, target.size() - suffix.size())
                            + ", so it belongs to the catalogue; refusing to write it");
        }
    }
}

mode_t defaultPermissions(const std::string& target)
{
    // A file in a private temporary folder is as private as the folder.
    if (inPrivateFolder(target))
        return 0600;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
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

OutputFile::OutputFile(const std::string& target, Mode mode, std::optional<unsigned> permissions)
    : m_target(target), m_mode(mode)
{
    const int descriptor = namedDescriptor(target);
    if (descriptor >= 0 && mode == Mode::Replace) {
        // Written through the descriptor as the shell set it up: ">>" keeps appending,
        // and the file behind it is never replaced.
        m_fd = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
        if (m_fd < 0)
            throw ToolError(systemError("cannot write " + target, errno));
        m_straight = true;
        m_work = target;
        return;
    }
    struct stat link {};
    const bool exists = lstat(target.c_str(), &link) == 0;
    if (mode == Mode::NewFile && exists) {
        throw ToolError(target + " already exists; refusing to overwrite it");
    }
    struct stat old {};
    if (exists) {
        if (stat(target.c_str(), &old) != 0) {
            throw ToolError(target + " is a symbolic link that leads nowhere; refusing to "
                                     "write through it");
        }
        if (S_ISDIR(old.st_mode)) {
            throw ToolError(target + " is a folder; name a file to write");
        }
        if (!S_ISREG(old.st_mode)) {
            // A pipe, terminal or device takes the bytes as they come.
            m_fd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            if (m_fd < 0) {
                throw ToolError(systemError("cannot write " + target, errno));
            }
            m_straight = true;
            m_work = target;
            return;
        }
        if (old.st_nlink > 1) {
            throw ToolError(target + " has other hard links; replacing it would leave them with the old "
                                     "contents. Refusing: write to a new name, or remove the other links first");
        }
        // A link to a regular file: the file it leads to is the one replaced.
        m_target = resolved(target);
    }
    refuseJournalName(m_target);

    std::string pattern = m_target + ".partial-XXXXXX";
    const SignalsHeld held;
    m_fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) {
        throw ToolError(systemError("cannot create a file in " + folderOf(m_target), errno));
    }
    m_work = pattern;
    m_leftover = LeftoverGuard(m_work, LeftoverGuard::Kind::File);
    // mkstemp makes the file private; give it the owner and mode the replaced file had,
    // the mode asked for, or the usual one.
    if (exists) {
        struct stat made {};
        if (fstat(m_fd, &made) == 0 && (made.st_uid != old.st_uid || made.st_gid != old.st_gid)
            && fchown(m_fd, old.st_uid, old.st_gid) != 0) {
            const int error = errno;
            discard();
            throw ToolError(systemError("cannot give the new " + target + " the owner of the old one", error)
                            + "; refusing to replace it");
        }
        fchmod(m_fd, old.st_mode & 07777);
    } else {
        fchmod(m_fd, permissions ? *permissions & 0777 : defaultPermissions(m_target));
    }
}

OutputFile::~OutputFile()
{
    discard();
}

void OutputFile::discard()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_done && !m_straight) {
        unlink(m_work.c_str());
    }
    m_leftover.release();
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
    m_leftover.release();
    syncFolder(folderOf(name));
}

void refuseDatabaseTarget(const std::string& target, const std::vector<std::string>& inputs)
{
    struct stat file {};
    const bool exists = stat(target.c_str(), &file) == 0;
    for (const std::string& input : inputs) {
        if (exists && sameFile(file, input)) {
            throw ToolError(target + " is the catalogue " + input +
                            " itself; refusing to write over it");
        }
    }
    if (exists && S_ISREG(file.st_mode) && beginsAsDatabase(target)) {
        throw ToolError(target + " is a database; refusing to write over it (name a new "
                                 "file, or remove it first)");
    }
}

}  // namespace kelvara::dbtool
