#pragma once

// Every file a kelvara-db command writes goes through here, so that no command can replace
// a catalogue, write through a planted link, or leave half a file under the name asked for.

#include "LeftoverFiles.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvara::dbtool {

// A file being written for a command. For a regular file (or a name not taken yet) the
// bytes go to a temporary made with mkstemp beside the target (created exclusively, never
// through a symbolic link) and move into place on commit(); without commit() (or when a
// signal ends the tool) the temporary is removed. A replaced file keeps its owner and mode;
// one with other hard links is refused rather than split from them. The names of a
// catalogue's journals are refused. /dev/stdout, /dev/stderr and /dev/fd/N are written
// through that descriptor as it is (so ">>" appends); anything else that is not a regular
// file (a pipe, a terminal, a device) is opened and written straight. Both in Replace mode
// only.
class OutputFile {
public:
    enum class Mode {
        NewFile,  // the target must not exist; it never gets replaced
        Replace,  // a regular target is replaced whole on commit()
    };

    // permissions: the mode of a new file (a replaced one keeps its own); by default the
    // umask's, or 0600 in a private temporary folder.
    OutputFile(const std::string& target, Mode mode, std::optional<unsigned> permissions = std::nullopt);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Where the bytes go: the temporary, or the target itself when written straight.
    const std::string& path() const { return m_work; }
    bool straight() const { return m_straight; }
    std::ostream& stream();

    // Flushes and syncs the data, then moves the temporary into place. In NewFile mode an
    // existing target (made meanwhile) is never replaced: ToolError, temporary removed.
    void commit();
    // NewFile mode only: the temporary goes to another new name instead of the target.
    void commitAs(const std::string& name);

private:
    class Buffer;
    void finish(const std::string& name);
    void discard();

    std::string m_target;
    std::string m_work;
    Mode m_mode;
    bool m_straight = false;
    bool m_done = false;
    int m_fd = -1;
    std::unique_ptr<Buffer> m_buffer;
    std::unique_ptr<std::ostream> m_stream;
    LeftoverGuard m_leftover;
};

// Refuses to write over a database: a target that is one of the inputs (under any name or
// link), their journals, or any file that begins as an SQLite 2 or 3 database does.
void refuseDatabaseTarget(const std::string& target, const std::vector<std::string>& inputs);

}  // namespace kelvara::dbtool
