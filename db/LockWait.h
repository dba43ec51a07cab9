#pragma once

// What a command waits for while the observer is told.
enum class CatalogueWait {
    lock,        // another connection's lock: on a file always, on a server when it says so
    server,      // the catalogue server, which has not answered yet and names no lock
    connecting,  // a connection to the catalogue server, being made
};

// Told while a statement waits for a lock that another connection (another program, another
// counter) holds, so that a window can show the wait and let the operator give it up. The
// session calls it from inside the statement, on the thread that runs it.
class LockWaitObserver {
public:
    virtual ~LockWaitObserver() = default;

    // Called when a statement starts waiting and then every few milliseconds while it waits;
    // elapsedMs counts from the start of the wait. Returning false gives up at once: the
    // statement fails exactly as when the time-out runs out (SQLITE_BUSY).
    virtual bool lockWaitContinues(int elapsedMs) = 0;

    // The statement that waited has its lock, failed or gave up. Called once per wait.
    virtual void lockWaitEnded() = 0;
};
