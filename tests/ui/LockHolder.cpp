// Another program holding the catalogue: takes an exclusive lock on DB (a catalogue file, or
// a server catalogue's connection string), says "locked" on stdout, holds it for
// MILLISECONDS, then lets go. Used by the locking tests.

#include <libpq-fe.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

bool onServer(const char* name)
{
    return std::strchr(name, '=') != nullptr || std::strncmp(name, "postgresql://", 13) == 0;
}

int holdOnServer(const char* conninfo, int milliseconds)
{
    PGconn* conn = PQconnectdb(conninfo);
    PGresult* result = PQexec(conn, "begin; lock table marki, modele, kompresory, kolumny in access exclusive mode");
    if (PQresultStatus(result) != PGRES_COMMAND_OK) {
        std::fprintf(stderr, "cannot lock: %s\n", PQerrorMessage(conn));
        return 1;
    }
    PQclear(result);
    std::printf("locked\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    PQclear(PQexec(conn, "commit"));
    PQfinish(conn);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DB MILLISECONDS\n", argv[0]);
        return 2;
    }
    if (onServer(argv[1]))
        return holdOnServer(argv[1], std::atoi(argv[2]));
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    if (sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot lock: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}
