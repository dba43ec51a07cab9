#include "LeftoverFiles.h"

#include "ToolError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <utility>

namespace kelvara::dbtool {

namespace {

// A signal may arrive at any moment, so the table is fixed in size and each slot's path is
// complete before its state says so. The handler only unlinks and removes folders, both
// safe in a signal handler.
constexpr int kSlots = 64;
constexpr std::size_t kPathBytes = 4096;

struct Slot {
    char path[kPathBytes];
    volatile std::sig_atomic_t kind;  // 0 free, 1 file, 2 folder
};

Slot g_slots[kSlots];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::sig_atomic_t kFree = 0;
constexpr std::sig_atomic_t kFile = 1;
constexpr std::sig_atomic_t kFolder = 2;

void removeWithJournals(const char* path)
{
    unlink(path);
    char name[kPathBytes + 16];
    const std::size_t length = std::strlen(path);
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        std::memcpy(name, path, length);
        std::memcpy(name + length, suffix, std::strlen(suffix) + 1);
        unlink(name);
    }
}

extern "C" void removeLeftoversAndDie(int signal)
{
    for (Slot& slot : g_slots) {
        if (slot.kind == kFile)
            removeWithJournals(slot.path);
    }
    for (Slot& slot : g_slots) {
        if (slot.kind == kFolder)
            rmdir(slot.path);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int claimSlot(const std::string& path, std::sig_atomic_t kind)
{
    if (path.size() >= kPathBytes)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (g_slots[i].kind == kFree) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].kind = kind;
            return i;
        }
    }
    // More temporaries at once than any command makes: this one goes untracked.
    return -1;
}

}  // namespace

void removeLeftoversOnSignals()
{
    struct sigaction action {};
    action.sa_handler = removeLeftoversAndDie;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    for (int signal : kSignals) {
        struct sigaction old {};
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

SignalsHeld::SignalsHeld()
{
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kSignals)
        sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &m_before);
}

SignalsHeld::~SignalsHeld()
{
    sigprocmask(SIG_SETMASK, &m_before, nullptr);
}

LeftoverGuard::LeftoverGuard(const std::string& path, Kind kind)
    : m_slot(claimSlot(path, kind == Kind::File ? kFile : kFolder))
{
}

LeftoverGuard::LeftoverGuard(LeftoverGuard&& other) noexcept : m_slot(std::exchange(other.m_slot, -1)) {}

LeftoverGuard& LeftoverGuard::operator=(LeftoverGuard&& other) noexcept
{
    if (this != &other) {
        release();
        m_slot = std::exchange(other.m_slot, -1);
    }
    return *this;
}

LeftoverGuard::~LeftoverGuard()
{
    release();
}

void LeftoverGuard::release()
{
    if (m_slot >= 0)
        g_slots[m_slot].kind = kFree;
    m_slot = -1;
}

PrivateFolder::~PrivateFolder()
{
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

void PrivateFolder::create()
{
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec)
        throw ToolError("no temporary folder: " + ec.message() + " (set TMPDIR to one)");
    std::string pattern = (base / "kelvara-db-XXXXXX").string();
    const SignalsHeld held;
    // mkdtemp makes the folder 0700 whatever the umask.
    if (mkdtemp(pattern.data()) == nullptr)
        throw ToolError("cannot create a temporary folder in " + base.string() + ": " + std::strerror(errno)
                        + " (set TMPDIR to another folder)");
    m_guard = LeftoverGuard(pattern, LeftoverGuard::Kind::Folder);
    m_path = pattern;
}

bool inPrivateFolder(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    for (const Slot& slot : g_slots) {
        if (slot.kind == kFolder && folder == slot.path)
            return true;
    }
    return false;
}

}  // namespace kelvara::dbtool
