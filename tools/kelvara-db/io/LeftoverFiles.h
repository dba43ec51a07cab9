#pragma once

// The temporaries a command is making (new files, copies of a server catalogue and the
// folders that hold them), removed when a signal ends the tool before the command has
// cleaned up after itself: Ctrl-C must not leave half a catalogue, or a full copy of one,
// lying about.

#include <csignal>
#include <string>

namespace kelvara::dbtool {

// Removes every tracked file (with the journals SQLite may have put beside it) and then
// every tracked folder when SIGINT, SIGTERM or SIGHUP arrives, and then lets the signal end
// the process as it would have.
void removeLeftoversOnSignals();

// One tracked path, for as long as this object lives.
class LeftoverGuard {
public:
    enum class Kind { File, Folder };
    LeftoverGuard() = default;
    LeftoverGuard(const std::string& path, Kind kind);
    LeftoverGuard(const LeftoverGuard&) = delete;
    LeftoverGuard& operator=(const LeftoverGuard&) = delete;
    LeftoverGuard(LeftoverGuard&& other) noexcept;
    LeftoverGuard& operator=(LeftoverGuard&& other) noexcept;
    ~LeftoverGuard();

    // The path is no longer ours to remove (it was given its final name, or removed).
    void release();

private:
    int m_slot = -1;
};

// Holds SIGINT, SIGTERM and SIGHUP back while it lives, so that a temporary is made and
// tracked in one step; a signal that came meanwhile is handled when this goes.
class SignalsHeld {
public:
    SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
    ~SignalsHeld();

private:
    sigset_t m_before;
};

// A folder under the system's temporary folder ($TMPDIR or /tmp) that only this user can
// enter (0700), tracked while it lives and removed with everything in it when it goes.
class PrivateFolder {
public:
    PrivateFolder() = default;
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder();

    // Makes the folder; ToolError naming the place on failure.
    void create();
    // Empty until create().
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    LeftoverGuard m_guard;
};

// Whether path lies directly in a PrivateFolder; files made there are private too.
bool inPrivateFolder(const std::string& path);

}  // namespace kelvara::dbtool
